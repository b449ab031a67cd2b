#include "settings/LanguageChoice.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/TempDir.h"

namespace q17 {
namespace {

using Words = std::vector<std::string>;

TEST(LanguageChoice, TheOptionIsTakenOutAndAFileAfterItIsLeft) {
  struct Case {
    Words arguments;
    std::optional<std::string> code;
    Words rest;
    bool error;
  };
  const Case cases[] = {
      {{"--lang", "en", "gate.set"}, "en", {"gate.set"}, false},
      {{"gate.set", "--lang=RU"}, "ru", {"gate.set"}, false},
      {{"--lang", "en", "--lang", "ru"}, "ru", {}, false},
      // Not a language: a settings file named after a forgotten code.
      {{"--lang", "gate.set"}, std::nullopt, {"gate.set"}, true},
      {{"--lang"}, std::nullopt, {}, true},
      {{"--lang="}, std::nullopt, {}, true},
      {{"--language", "en"}, std::nullopt, {"--language", "en"}, false},
  };
  for (const Case& c : cases) {
    const TLanguageOption option = TakeLanguageOption(c.arguments);
    const std::string line = c.arguments.empty() ? "" : c.arguments.front() + " ...";
    EXPECT_EQ(option.Code, c.code) << line;
    EXPECT_EQ(option.Rest, c.rest) << line;
    EXPECT_EQ(!option.Error.empty(), c.error) << line;
  }
}

TEST(LanguageChoice, CommandLineThenChoiceThenAnEnglishSystemElseRussian) {
  const Words both{"ru", "en"};
  const Words english{"en-US", "en"};
  struct Case {
    std::optional<std::string> commandLine, saved;
    Words system, available;
    std::string start;
  };
  const Case cases[] = {
      {"ru", "en", english, both, "ru"},
      {"de", "en", {"ru-RU"}, both, "en"},  // no German translation
      {std::nullopt, "ru", english, both, "ru"},
      {std::nullopt, std::nullopt, english, both, "en"},
      {std::nullopt, std::nullopt, {"en_GB"}, both, "en"},
      {std::nullopt, std::nullopt, {"de-DE", "en-US"}, both, "ru"},
      {std::nullopt, std::nullopt, {"uk-UA"}, both, "ru"},
      {std::nullopt, std::nullopt, {"C"}, both, "ru"},
      {std::nullopt, std::nullopt, {}, both, "ru"},
      {std::nullopt, std::nullopt, english, {"ru"}, "ru"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StartLanguage(c.commandLine, c.saved, c.system, c.available), c.start)
        << c.commandLine.value_or("-") << " " << c.saved.value_or("-") << " "
        << (c.system.empty() ? "-" : c.system.front());
  }
}

TEST(LanguageChoice, KeptInAFolderYetToBeMadeAndReadBackAsAHandLeftIt) {
  test::TempDir dir;
  const auto file = std::filesystem::path(dir.path()) / "SetupQ17" / "language";
  EXPECT_EQ(LoadLanguageChoice(file), std::nullopt) << "no file yet";
  std::string error;
  ASSERT_TRUE(SaveLanguageChoice(file, "en", error)) << error;
  EXPECT_EQ(LoadLanguageChoice(file), "en");

  const auto written = [&](const char* text) {
    std::ofstream(file, std::ios::binary) << text;
    return LoadLanguageChoice(file);
  };
  EXPECT_EQ(written("# a comment\r\n\r\n  EN \r\n"), "en");
  EXPECT_EQ(written("english\n"), std::nullopt);
  EXPECT_EQ(written(""), std::nullopt);
  EXPECT_FALSE(SaveLanguageChoice(file.parent_path() / "language" / "inside-a-file", "en", error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace q17
