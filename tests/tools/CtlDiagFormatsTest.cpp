// q17ctl audit --csv and sensors --changes against the in-process simulated
// bus, with a virtual clock.
#include <gtest/gtest.h>

#include <sstream>

#include "CtlDiag.h"
#include "SimSerialApi.h"
#include "support/FakeD2xxApi.h"

namespace q17 {
namespace {

class CtlDiagFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    list.Refresh();
    ASSERT_EQ(list.Open(list.IndexOf("SIM"), 0), 0);
    env.SleepMs = [](int) {};
    env.NowMs = [] { return 0LL; };
    env.LocalNow = [] { return std::tm{}; };
  }
  int Run(const std::vector<std::string>& args) {
    TDiagArgs parsed;
    EXPECT_EQ(ParseDiagArgs(args.at(0), {args.begin() + 1, args.end()}, state, parsed), "");
    return RunDiag(parsed, state, list, out, err, env);
  }

  sim::ReaderBus bus;
  sim::SimSerialApi serial{bus};
  test::FakeD2xxApi d2xx;
  TInterfList list{serial, d2xx};
  TCommandState state;
  TDiagEnv env;
  std::ostringstream out, err;
};

TEST_F(CtlDiagFormats, AuditCsvIsTheWindowsFile) {
  bus.ApplyControl("clock 2026-12-07 14:45:30");
  bus.ApplyControl("event 0x0124 2 12345678");
  EXPECT_EQ(Run({"audit", "--count", "1", "--csv"}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "\xEF\xBB\xBFНомер;Канал;Время;Таг;Событие\r\n"
            "1;Кан. 2;14:45:30;12 34 56 78;Таг передан в контроллер\r\n");
}

TEST_F(CtlDiagFormats, SensorsChangesPrintsAllFourFirstThenOnlyChanges) {
  bus.ApplyControl("sensor gate 1 on");
  int replies = 0;
  bus.SetReplyHook([&] {
    if (++replies == 2) bus.ApplyControl("sensor car 2 on");
  });
  EXPECT_EQ(Run({"sensors", "--count", "4", "--changes"}), 0) << err.str();
  bus.SetReplyHook({});
  // Each line: hh:mm:ss.mmm, the sensor, its state.
  std::vector<std::string> tails;
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) {
    ASSERT_EQ(line.find('\t'), 12u) << line;
    EXPECT_EQ(line[8], '.') << line;
    tails.push_back(line.substr(13));
  }
  EXPECT_EQ(tails, (std::vector<std::string>{"DC1\tВКЛ.", "CAR1\tвыкл.", "DC2\tвыкл.", "CAR2\tвыкл.",
                                             "CAR2\tВКЛ."}));
}

}  // namespace
}  // namespace q17
