#include "settings/ExpectedConfig.h"

#include "reader/PageRanges.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

namespace q17 {

std::optional<TExpectedConfig> LoadExpectedConfig(const std::filesystem::path& file, std::string& problem) {
  TIniRead read = ReadIniFile(file);
  if (read.Status == TFileRead::Missing) {
    problem = "no such file";
    return std::nullopt;
  }
  if (read.Status != TFileRead::Read) {
    problem = read.Error;
    return std::nullopt;
  }
  if (read.Text.Encoding() == TIniEncoding::Utf16) {
    problem = kUtf16Refusal;
    return std::nullopt;
  }
  bool any = false;
  for (const TSettingsNumberKey& key : SettingsNumberKeys()) {
    if (!key.ToReader) continue;
    const auto value = read.Text.Value(key.Section, key.Key);
    if (!value) continue;
    any = true;
    if (!ParseProfileInteger(*value)) {
      problem = std::string(key.Key) + " in [" + key.Section + "] is not a whole number";
      return std::nullopt;
    }
  }
  if (!any) {
    problem = "no settings of this program in the file";
    return std::nullopt;
  }
  TExpectedConfig expected;
  LoadSettingsText(read.Text, expected.State);
  ClampToPageRanges(expected.State);
  return expected;
}

}  // namespace q17
