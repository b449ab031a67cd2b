// SetupQ17 itself started in a language: the probe (the program with its
// report hook) reads a reader's configuration from q17sim and says what its
// status bar shows, with a settings file named on its command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "e2e/SimHarness.h"
#include "platform/TempDir.h"

namespace q17::test {
namespace {

TEST(ProgramLanguageEndToEnd, CommandLineThenUsersChoiceThenSystemAndTheFileStillLoads) {
  SimHarness sim;
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string file = dir / "gate.set";
  std::ofstream(file, std::ios::binary) << "[R_TEST]\r\nETAL_TAG=00 11 22 33\r\n";
  const std::string english = "read Code = 0 / OK !\n";
  const std::string russian = "read Код = 0 / OK !\n";
  struct Case {
    const char* saved;  // the user's choice kept from an earlier run
    std::vector<std::string> args;
    const char* system;
    std::string read;
  };
  const Case cases[] = {
      {nullptr, {"--lang", "en", file}, "ru_RU.UTF-8", english},
      {"en", {file}, "ru_RU.UTF-8", english},
      {"en", {"--lang=ru", file}, "en_US.UTF-8", russian},
      {nullptr, {file}, "en_GB.UTF-8", english},
      {nullptr, {file}, "de_DE.UTF-8", russian},
  };
  int run = 0;
  for (const Case& c : cases) {
    const std::filesystem::path config = std::filesystem::path(dir / "config") / std::to_string(++run);
    std::filesystem::create_directories(config / "SetupQ17");
    if (c.saved) std::ofstream(config / "SetupQ17" / "language") << c.saved << "\n";
    std::vector<std::string> argv{Q17PROBE_PATH};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const RunResult r = RunProgram(argv, {"SETUPQ17_BENCH_EXIT=smoke:" + sim.Pty(), "SETUPQ17_PORTS=" + sim.Pty(),
                                          "QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config.string(),
                                          "LANGUAGE=", "LC_ALL=", "LC_MESSAGES=", std::string("LANG=") + c.system});
    const std::string what = "run " + std::to_string(run) + "\n" + r.out + r.err;
    EXPECT_EQ(r.exitCode, 0) << what;
    EXPECT_NE(r.out.find(c.read), std::string::npos) << what;
    EXPECT_NE(r.out.find("| 00 11 22 33 |"), std::string::npos) << what;
  }
}

}  // namespace
}  // namespace q17::test
