#include "settings/LanguageChoice.h"

#include <algorithm>
#include <system_error>

#include "settings/FileReplace.h"

namespace q17 {
namespace {

constexpr std::string_view kOption = "--lang";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool Contains(const std::vector<std::string>& codes, const std::string& code) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// "en-US", "en_GB", "en" -> "en"; "C" and the like -> none.
std::optional<std::string> PrimaryLanguage(std::string_view tag) {
  return LanguageCode(tag.substr(0, tag.find_first_of("-_")));
}

}  // namespace

std::optional<std::string> LanguageCode(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (text.size() < 2 || text.size() > 3) return std::nullopt;
  std::string code;
  for (const char c : text) {
    if (c >= 'A' && c <= 'Z') {
      code += static_cast<char>(c - 'A' + 'a');
    } else if (c >= 'a' && c <= 'z') {
      code += c;
    } else {
      return std::nullopt;
    }
  }
  return code;
}

TLanguageOption TakeLanguageOption(const std::vector<std::string>& arguments) {
  TLanguageOption option;
  const std::string withValue = std::string(kOption) + "=";
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.starts_with(withValue)) {
      if (auto code = LanguageCode(std::string_view(argument).substr(withValue.size()))) {
        option.Code = std::move(code);
      } else {
        option.Error = "no language code in " + argument;
      }
    } else if (argument == kOption) {
      auto code = i + 1 < arguments.size() ? LanguageCode(arguments[i + 1]) : std::nullopt;
      if (code) {
        option.Code = std::move(code);
        ++i;
      } else {
        option.Error = std::string(kOption) + " needs a language code";
      }
    } else {
      option.Rest.push_back(argument);
    }
  }
  return option;
}

std::string StartLanguage(const std::optional<std::string>& commandLine, const std::optional<std::string>& saved,
                          const std::vector<std::string>& systemLanguages, const std::vector<std::string>& available) {
  if (commandLine && Contains(available, *commandLine)) return *commandLine;
  if (saved && Contains(available, *saved)) return *saved;
  if (!systemLanguages.empty() && PrimaryLanguage(systemLanguages.front()) == "en" && Contains(available, "en")) {
    return "en";
  }
  return kOwnLanguage;
}

std::optional<std::string> LoadLanguageChoice(const std::filesystem::path& file) {
  std::string bytes;
  std::string error;
  if (ReadSmallFile(file, bytes, error) != TFileRead::Read) return std::nullopt;
  std::string_view text = bytes;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const auto first = std::find_if_not(line.begin(), line.end(), IsBlank);
    if (first == line.end() || *first == '#') continue;
    return LanguageCode(line);
  }
  return std::nullopt;
}

bool SaveLanguageChoice(const std::filesystem::path& file, const std::string& code, std::string& error) {
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  if (ec) {
    error = PathText(file.parent_path()) + ": " + ec.message();
    return false;
  }
  return ReplaceWholeFile(file, "# SetupQ17: the language of the windows\n" + code + "\n", error);
}

}  // namespace q17
