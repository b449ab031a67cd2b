#pragma once
// The language the windows speak. Russian is the program's own language, in
// which its texts are written; any other comes from a translation built into
// the program. A user's choice is kept in a small file of their own, beside
// the network ports they opened (one line: the language's code, e.g. "en");
// `--lang CODE` chooses for one run only.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace q17 {

inline constexpr const char* kOwnLanguage = "ru";

// A language's code as a file or a command line gives it: two or three
// letters ("ru", "en"), blanks around and capitals forgiven; anything else
// is none.
std::optional<std::string> LanguageCode(std::string_view text);

struct TLanguageOption {
  std::optional<std::string> Code;  // of the last --lang CODE or --lang=CODE
  std::vector<std::string> Rest;    // every other argument, in order
  std::string Error;                // a --lang without a code: what to say
};

// Takes --lang out of a program's arguments. A word after --lang that is no
// language's code is left among the others (it may be a settings file).
TLanguageOption TakeLanguageOption(const std::vector<std::string>& arguments);

// The language a run starts in, one of `available` (Russian among them):
// the command line's, else the user's choice, else English where the
// system's first language for its interface is English, else Russian. A
// code with no translation is passed over.
std::string StartLanguage(const std::optional<std::string>& commandLine, const std::optional<std::string>& saved,
                          const std::vector<std::string>& systemLanguages, const std::vector<std::string>& available);

// The choice kept in `file`; none when there is no file or no code in it.
std::optional<std::string> LoadLanguageChoice(const std::filesystem::path& file);
// Writes the file whole, making its folder first; false with why in error.
bool SaveLanguageChoice(const std::filesystem::path& file, const std::string& code, std::string& error);

}  // namespace q17
