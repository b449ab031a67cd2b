#include "settings/ExpectedConfig.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/TempDir.h"

namespace q17 {
namespace {

TEST(ExpectedConfig, WhatWritingTheFileWouldLeaveInAReader) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  // No TST keys (the file's default 10, not the block's 30); a tag memory
  // time no page can show (105 is 10 s, so 100) and an attenuation past 31.
  std::ofstream(dir / "gate.set") << "[CHAN_1]\nWCT=0x0B\n[MEMORY]\nTMT_1=105\n[ATTEN]\nATT_2=40\n";
  std::string problem;
  const auto expected = LoadExpectedConfig(dir / "gate.set", problem);
  ASSERT_TRUE(expected) << problem;
  EXPECT_EQ(expected->State.Config.Channel[0].WCT, 11);
  EXPECT_EQ(expected->State.Config.Channel[0].TST, 10);
  EXPECT_EQ(expected->State.Config.Channel[1].WAT, 5);
  EXPECT_EQ(expected->State.TMT_1, 100);
  EXPECT_EQ(expected->State.TMT_2, 10);
  EXPECT_EQ(expected->State.ATT_2, 31);
}

TEST(ExpectedConfig, AFileThatWouldPutDefaultsIntoReadersIsRefused) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  std::ofstream(dir / "words.set") << "[CHAN_1]\nWCT=1O\n";
  std::ofstream(dir / "other.ini") << "[COMMON]\nRDR_ADDR=5\n[section]\nkey=value\n";
  std::ofstream(dir / "wide.set") << std::string("\xFF\xFE[\0C\0", 6);
  const struct {
    std::string file;
    std::string problem;
  } cases[] = {
      {"missing.set", "no such file"},
      {"words.set", "WCT in [CHAN_1] is not a whole number"},
      {"other.ini", "no settings of this program in the file"},
      {"wide.set", "UTF-16 text, not a settings file of this program"},
  };
  for (const auto& c : cases) {
    std::string problem;
    EXPECT_FALSE(LoadExpectedConfig(dir / c.file, problem)) << c.file;
    EXPECT_EQ(problem, c.problem) << c.file;
  }
}

}  // namespace
}  // namespace q17
