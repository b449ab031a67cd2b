// q17ctl's settings-file commands against q17sim: one reader's set-up cloned
// onto another through a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <regex>

#include "e2e/SimHarness.h"
#include "platform/TempDir.h"
#include "support/FileBytes.h"
#include "support/RussianLocale.h"

namespace q17::test {
namespace {

// Russian letters and a space in the files' names: they pass whole through
// the command line and the file calls (on Windows, its wide names).
TEST(CtlSettingsEndToEnd, SaveFromOneReaderWriteIntoAnotherReadBackEqual) {
  SimHarness sim({"--reader", "1", "--reader", "3"});
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string start = dir / "начальные настройки.set";
  const std::string clone = dir / "настройки Q17.set";
  // A set-up by hand, with values the pages would clamp.
  std::ofstream(start, std::ios::binary)
      << "[CHAN_1]\r\nWCT=0x0C\r\nWAT=6\r\nGDT=0\r\nGOT=40\r\nTST=50\r\nOPT=$1B\r\n"
         "[CHAN_2]\r\nWCT=7\r\nWAT=8\r\nGDT=9\r\nGOT=11\r\nTST=12\r\nOPT=3\r\n"
         "[MEMORY]\r\nTMT_1=255\r\nTMT_2=2400\r\n[ATTEN]\r\nATT_1=3\r\nATT_2=31\r\n";
  RunResult r = sim.Ctl({"write-config", start});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "q17ctl: " + start + ": CHAN_1.GDT=0 is out of range; writing 1\n"
                   "q17ctl: " + start + ": TMT_1=255 is out of range; writing 250\n");
  const std::string one = sim.Control("state 1");
  EXPECT_EQ(SimHarness::Field(one, "BLOCK"), "AA550C060128321B" "0708090B0C03" "010A") << one;

  r = sim.Ctl({"save-config", clone});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string saved = "\nSAVED=" + clone + "\n";
  EXPECT_EQ(r.out.substr(r.out.size() - std::min(r.out.size(), saved.size())), saved) << r.out;
  EXPECT_NE(Slurp(clone).find("[COMMON]\r\nRDR_ADDR=1\r\n[CHAN_1]\r\nWCT=12\r\n"), std::string::npos);

  r = sim.Ctl({"--address", "3", "write-config", clone});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string three = sim.Control("state 3");
  for (const char* field : {"BLOCK", "TMT", "ATT"}) {
    EXPECT_EQ(SimHarness::Field(three, field), SimHarness::Field(one, field)) << field;
  }
}

TEST(CtlSettingsEndToEnd, AFailedExchangeShowsItsCode) {
  SimHarness sim;
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  sim.Control("answer 201 1");
  const RunResult r = sim.Ctl({"save-config", dir / "a.set"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Код = 201 / Функция не поддерживается\nОшибка получения конфигурации считыателя!\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "a.set"));
}

// DATE-TIME in the user's own forms, day first for a Russian user: the C
// library's on Linux, the regional settings' on Windows (which Wine takes
// from the same variables).
TEST(CtlSettingsEndToEnd, TheMomentOfSavingIsInTheUsersForms) {
  const std::string locales = RussianLocalePath();
  if (locales.empty()) GTEST_SKIP() << "no ru_RU locale could be made (localedef and the locales package)";
  SimHarness sim;
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const auto today = [] {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%d.%m.%Y", &local);
    return std::string(text);
  };
  const std::string before = today();
  const RunResult r = RunProgram(CtlArgv({"--port", sim.Pty(), "save-config", dir / "gate.set"}),
                                 {"SETUPQ17_PORTS=" + sim.Pty(), "LOCPATH=" + locales,
                                  std::string("LC_ALL=") + kRussianLocale});
  const std::string after = today();
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string saved = Slurp(dir / "gate.set");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(saved, m, std::regex("DATE-TIME=([0-9.]+) [0-9]{1,2}:[0-9]{2}:[0-9]{2}\r\n")))
      << saved;
  EXPECT_TRUE(m[1] == before || m[1] == after) << m[1] << " on " << before;
}

}  // namespace
}  // namespace q17::test
