#include "settings/SettingsFile.h"

#include <array>
#include <cstdio>
#include <vector>

#include "platform/UserDateTime.h"
#include "settings/IniFile.h"

namespace q17 {
namespace {

constexpr const char* kChannelSections[2] = {"CHAN_1", "CHAN_2"};

// The file's own defaults, which are not all the program's start values.
struct TChannelKey {
  const char* name;
  std::uint8_t TChannelConfig::*field;
  std::int32_t fallback;
};
constexpr std::array<TChannelKey, 6> kChannelKeys = {{
    {"WCT", &TChannelConfig::WCT, 10},
    {"WAT", &TChannelConfig::WAT, 5},
    {"GDT", &TChannelConfig::GDT, 20},
    {"GOT", &TChannelConfig::GOT, 30},
    {"TST", &TChannelConfig::TST, 10},
    {"OPT", &TChannelConfig::OPT, 8},
}};
constexpr std::int32_t kFileReaderAddress = 1;
constexpr std::int32_t kFileTagMemTime = 10;
constexpr std::int32_t kFileAttenuation = 0;
constexpr const char* kFileEtalonTag = "00 FF FF 01";
constexpr const char* kFileTestTag = "00 FF FF 02";

constexpr auto kNumberKeys = [] {
  std::array<TSettingsNumberKey, 17> keys{};
  std::size_t n = 0;
  keys[n++] = {"COMMON", "RDR_ADDR", kFileReaderAddress, false};
  for (const char* section : kChannelSections) {
    for (const TChannelKey& key : kChannelKeys) keys[n++] = {section, key.name, key.fallback, true};
  }
  keys[n++] = {"MEMORY", "TMT_1", kFileTagMemTime, true};
  keys[n++] = {"MEMORY", "TMT_2", kFileTagMemTime, true};
  keys[n++] = {"ATTEN", "ATT_1", kFileAttenuation, true};
  keys[n++] = {"ATTEN", "ATT_2", kFileAttenuation, true};
  return keys;
}();

std::uint8_t Low8(std::int32_t v) { return static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) & 0xFF); }
std::uint16_t Low16(std::int32_t v) { return static_cast<std::uint16_t>(static_cast<std::uint32_t>(v) & 0xFFFF); }

}  // namespace

std::span<const TSettingsNumberKey> SettingsNumberKeys() { return kNumberKeys; }

void LoadSettingsText(const TIniText& t, TCommandState& s) {
  s.ReaderAddress = ReadProfileInteger(t, "COMMON", "RDR_ADDR", kFileReaderAddress);
  for (std::size_t ch = 0; ch < 2; ++ch) {
    for (const TChannelKey& key : kChannelKeys) {
      s.Config.Channel[ch].*key.field = Low8(ReadProfileInteger(t, kChannelSections[ch], key.name, key.fallback));
    }
  }
  s.TMT_1 = Low16(ReadProfileInteger(t, "MEMORY", "TMT_1", kFileTagMemTime));
  s.TMT_2 = Low16(ReadProfileInteger(t, "MEMORY", "TMT_2", kFileTagMemTime));
  s.EtalonTag = ReadProfileString(t, "R_TEST", "ETAL_TAG", kFileEtalonTag);
  s.TestTag = ReadProfileString(t, "R_TEST", "TEST_TAG", kFileTestTag);
  s.ATT_1 = Low8(ReadProfileInteger(t, "ATTEN", "ATT_1", kFileAttenuation));
  s.ATT_2 = Low8(ReadProfileInteger(t, "ATTEN", "ATT_2", kFileAttenuation));
}

TSettingsLoad LoadSettingsFile(const std::filesystem::path& file, TCommandState& s, std::string* reason) {
  const TIniRead read = ReadIniFile(file);
  LoadSettingsText(read.Text, s);  // empty unless read: every key takes its default
  const bool utf16 = read.Text.Encoding() == TIniEncoding::Utf16;
  if (reason) *reason = read.Status == TFileRead::Missing ? "no such file" : utf16 ? kUtf16Refusal : read.Error;
  switch (read.Status) {
    case TFileRead::Read: return utf16 ? TSettingsLoad::NotSettings : TSettingsLoad::Read;
    case TFileRead::Missing: return TSettingsLoad::Missing;
    default: return TSettingsLoad::Unreadable;
  }
}

TSettingsSave SaveSettingsFile(const std::filesystem::path& file, const TCommandState& s,
                               const std::string& etalonTag, const std::string& testTag,
                               const std::string& dateTime, const TBeforeRename& beforeRename, TTagSave tags) {
  struct TEntry {
    const char* section;
    const char* key;
    std::string value;
  };
  std::vector<TEntry> entries;
  entries.push_back({"CREATION", "DATE-TIME", dateTime});
  entries.push_back({"COMMON", "RDR_ADDR", std::to_string(s.ReaderAddress)});
  for (std::size_t ch = 0; ch < 2; ++ch) {
    for (const TChannelKey& key : kChannelKeys) {
      entries.push_back({kChannelSections[ch], key.name, std::to_string(s.Config.Channel[ch].*key.field)});
    }
  }
  entries.push_back({"MEMORY", "TMT_1", std::to_string(s.TMT_1)});
  entries.push_back({"MEMORY", "TMT_2", std::to_string(s.TMT_2)});
  std::string reason;
  std::optional<TIniText> text = ReadIniFileForChange(file, reason);
  if (!text) return {false, "Unable to write to " + PathText(file), reason};
  // Every key goes into the text as its own write would put it; the file
  // then changes once, so a failure at any point leaves the old file whole.
  if (tags == TTagSave::Always || !text->Value("R_TEST", "ETAL_TAG")) entries.push_back({"R_TEST", "ETAL_TAG", etalonTag});
  if (tags == TTagSave::Always || !text->Value("R_TEST", "TEST_TAG")) entries.push_back({"R_TEST", "TEST_TAG", testTag});
  entries.push_back({"ATTEN", "ATT_1", std::to_string(s.ATT_1)});
  entries.push_back({"ATTEN", "ATT_2", std::to_string(s.ATT_2)});

  for (const TEntry& e : entries) text->SetValue(e.section, e.key, e.value);
  if (!WriteIniFile(file, *text, reason, beforeRename)) return {false, "Unable to write to " + PathText(file), reason};
  return {};
}

std::string CreationDateTimeText(const std::tm& local) {
  std::string date = UserShortDate(local);
  std::string time = UserLongTime(local);
  char neutral[48];
  if (date.empty()) {
    std::snprintf(neutral, sizeof neutral, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    date = neutral;
  }
  if (time.empty()) {
    std::snprintf(neutral, sizeof neutral, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    time = neutral;
  }
  return date + " " + time;
}

std::string SettingsSaveRefusal(const std::filesystem::path& file) {
  std::string reason;
  return ReadIniFileForChange(file, reason) ? ReplaceRefusal(file) : reason;
}

namespace {

// Where the last part of a name begins.
std::size_t LastPart(std::string_view name, bool windowsNames) {
  return name.find_last_of(windowsNames ? "/\\" : "/") + 1;  // npos + 1 is 0
}

}  // namespace

std::string WrittenFileName(std::string_view name, bool windowsNames) {
  std::string written(name);
  if (!windowsNames) return written;
  const std::size_t start = LastPart(name, windowsNames);
  std::size_t end = written.size();
  while (end > start && (written[end - 1] == '.' || written[end - 1] == ' ')) --end;
  if (end > start) written.resize(end);
  return written;
}

std::string SettingsFileName(std::string_view chosen, bool windowsNames) {
  std::string name = WrittenFileName(chosen, windowsNames);
  const std::size_t start = LastPart(name, windowsNames);
  if (name.size() > start && name.find('.', start) == std::string::npos) name += ".set";
  return name;
}

}  // namespace q17
