// q17ctl's diagnostic commands against the in-process simulated bus, with a
// virtual clock: what they print and what they leave in the reader.
#include "CtlDiag.h"

#include <gtest/gtest.h>

#include <sstream>

#include "SimSerialApi.h"
#include "support/ControlField.h"
#include "support/FakeD2xxApi.h"

namespace q17 {
namespace {

class CtlDiag : public ::testing::Test {
 protected:
  void SetUp() override {
    list.Refresh();
    ASSERT_EQ(list.Open(list.IndexOf("SIM"), 0), 0);
    env.SleepMs = [this](int ms) { nowMs += ms; };
    env.NowMs = [this] { return nowMs; };
    env.LocalNow = [] {
      std::tm t{};
      t.tm_year = 126;
      t.tm_mday = 1;
      t.tm_hour = 8;
      return t;
    };
  }
  int Run(const std::vector<std::string>& args) { return RunInto(out, args); }
  int RunInto(std::ostream& into, const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    TDiagArgs parsed;
    const std::string problem = ParseDiagArgs(args.at(0), {args.begin() + 1, args.end()}, state, parsed);
    EXPECT_EQ(problem, "");
    return RunDiag(parsed, state, list, into, err, env);
  }
  std::string State(const std::string& name) { return test::ControlField(bus.ApplyControl("state"), name); }
  // Stops once the reader has had `n` requests more than now.
  void StopAfterRequests(std::uint64_t n) {
    const auto limit = bus.Stats().requests + n;
    env.StopRequested = [this, limit] { return bus.Stats().requests >= limit; };
  }

  sim::ReaderBus bus;
  sim::SimSerialApi serial{bus};
  test::FakeD2xxApi d2xx;
  TInterfList list{serial, d2xx};
  TCommandState state;
  TDiagEnv env;
  long long nowMs = 0;
  std::ostringstream out, err;
};

TEST_F(CtlDiag, AuditPrintsACarsAccessCycleAndSwitchesOffOnStop) {
  bus.ApplyControl("clock 2026-12-07 14:45:30");
  bus.ApplyControl("event 0x0124 2 12345678");
  bus.ApplyControl("event 0x0200 1 0");
  StopAfterRequests(1 + 5);  // switch on, then five polls
  EXPECT_EQ(Run({"audit"}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "1\tКан. 2\t14:45:30\t12 34 56 78\tТаг передан в контроллер\n"
            "2\tКан. 1\t14:45:30\t00 00 00 00\tНеизвестная транзакция\n");
  EXPECT_EQ(State("AUDIT"), "off");
  // Paced as the window: ten 20 ms sleeps per poll.
  EXPECT_EQ(nowMs, 4 * 200);  // the fifth pause ends at the stop
}

TEST_F(CtlDiag, AuditCountSecondsAndClear) {
  for (int i = 0; i < 3; ++i) bus.ApplyControl("event 0x0010 1 00A10228");
  ASSERT_EQ(Run({"audit", "--count", "2"}), 0);
  const std::string printed = out.str();
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 2);
  EXPECT_EQ(Run({"audit", "--seconds", "3", "--clear"}), 0);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(nowMs, 400 + 3000);
  EXPECT_EQ(State("EVENTS"), "0");
  EXPECT_EQ(State("AUDIT"), "off");
}

TEST_F(CtlDiag, AuditFailedPollPrintsTheErrorRowAndStillSwitchesOff) {
  int replies = 0;
  bus.SetReplyHook([&] {
    if (++replies == 1) bus.ApplyControl("fault noreply next 1");
  });
  EXPECT_EQ(Run({"audit"}), 1);
  bus.SetReplyHook({});
  EXPECT_EQ(out.str(), "1\tКан. 0\t08:00:00\t00 00 00 00\tОшибка обмена со считывателем\n");
  EXPECT_EQ(err.str(), "Код = 6 / Таймаут обмена\n");
  EXPECT_EQ(State("AUDIT"), "off");
  // Audit mode that cannot be switched on: nothing to undo.
  bus.ApplyControl("fault noreply next 1");
  EXPECT_EQ(Run({"audit"}), 1);
  EXPECT_EQ(out.str(), "");
}

TEST_F(CtlDiag, FailedOutputEndsAuditAndSensorsBeforeTheNextPoll) {
  for (int i = 0; i < 3; ++i) bus.ApplyControl("event 0x0010 1 00A10228");
  std::ostream broken(nullptr);  // every write fails, as on a full disk
  EXPECT_EQ(RunInto(broken, {"audit"}), 1);
  EXPECT_EQ(State("EVENTS"), "2") << "the events not printed stay in the reader";
  EXPECT_EQ(State("AUDIT"), "off");
  const auto before = bus.Stats().requests;
  EXPECT_EQ(RunInto(broken, {"sensors"}), 1);
  EXPECT_EQ(bus.Stats().requests, before + 1);
}

TEST_F(CtlDiag, SensorsOneLinePerPollUntilTheFirstFailure) {
  bus.ApplyControl("sensor gate 1 on");
  bus.ApplyControl("sensor car 2 on");
  EXPECT_EQ(Run({"sensors", "--count", "2"}), 0);
  EXPECT_EQ(out.str(),
            "DC1=ВКЛ. CAR1=выкл. DC2=выкл. CAR2=ВКЛ.\n"
            "DC1=ВКЛ. CAR1=выкл. DC2=выкл. CAR2=ВКЛ.\n");
  EXPECT_EQ(nowMs, 200);
  bus.ApplyControl("fault noreply next 1");
  EXPECT_EQ(Run({"sensors"}), 1);
  EXPECT_EQ(err.str(), "Код = 6 / Таймаут обмена\n");
}

TEST_F(CtlDiag, RadioTestStartsWaitsAndStopsEvenWhenStopped) {
  // The reader counts while q17ctl waits.
  bus.SetReplyHook([&] { bus.ApplyControl("radio-counts 10 3"); });
  EXPECT_EQ(Run({"radio-test", "--channel", "2", "--etalon", "00 FF FF 01", "--seconds", "2"}), 0) << err.str();
  bus.SetReplyHook({});
  EXPECT_EQ(out.str(), "etalon=10 test=3\n");
  EXPECT_GE(nowMs, 2000);
  EXPECT_EQ(State("RADIOCH"), "2");
  EXPECT_EQ(State("REF"), "00FFFF01");
  EXPECT_EQ(State("RADIO"), "off");

  StopAfterRequests(1);
  nowMs = 0;
  EXPECT_EQ(Run({"radio-test", "--seconds", "1000"}), 0);
  EXPECT_LT(nowMs, 1000);
  EXPECT_EQ(State("RADIO"), "off");

  // A start whose reply is lost may have started the count: it is stopped.
  bus.ApplyControl("fault noreply next 1");
  EXPECT_EQ(Run({"radio-test", "--seconds", "1"}), 1);
  EXPECT_EQ(err.str(), "ОШИБКА запуска радиотеста - проверьте подключение считывателя\nКод = 6 / Таймаут обмена\n");
  EXPECT_EQ(State("RADIO"), "off");
  // A refused stop gives no counts: the request's own bytes are none.
  bus.SetReplyHook([&] { bus.ApplyControl("answer 20 1"); });
  EXPECT_EQ(Run({"radio-test", "--seconds", "1"}), 1);
  bus.SetReplyHook({});
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "ОШИБКА остановки радиотеста - проверьте подключение считывателя\nКод = 20 / Недопустимый параметр\n");
}

TEST_F(CtlDiag, TagsInTheField) {
  bus.ApplyControl("tag add 2 00A10228");
  bus.ApplyControl("tag add 2 12345678");
  EXPECT_EQ(Run({"tags", "--channel", "2"}), 0);
  EXPECT_EQ(out.str(), "count=2\n00 A1 02 28\n12 34 56 78\n");
  EXPECT_EQ(Run({"tags"}), 0);
  EXPECT_EQ(out.str(), "count=0\n");
}

TEST(CtlDiagArgs, BadUsage) {
  const TCommandState state;
  const std::vector<std::vector<std::string>> bad = {
      {"audit", "--count", "0"},      {"audit", "--seconds"},          {"audit", "--channel", "1"},
      {"sensors", "--seconds", "1"},  {"sensors", "--count", "x"},     {"radio-test"},
      {"radio-test", "--seconds", "1", "--etalon", "0G"},             {"radio-test", "--seconds", "1", "--channel", "3"},
      {"tags", "--channel", "0"},     {"tags", "extra"},
  };
  for (const auto& args : bad) {
    TDiagArgs parsed;
    EXPECT_NE(ParseDiagArgs(args[0], {args.begin() + 1, args.end()}, state, parsed), "") << args[0] << " " << args.size();
  }
  TDiagArgs parsed;
  EXPECT_EQ(ParseDiagArgs("radio-test", {"--seconds", "5"}, state, parsed), "");
  EXPECT_EQ(parsed.EtalonTag, "00 B1 FF 01");
  EXPECT_EQ(parsed.TestTag, "00 B1 FF 03");
}

TEST_F(CtlDiag, AuditCsvIsTheWindowsFile) {
  bus.ApplyControl("clock 2026-12-07 14:45:30");
  bus.ApplyControl("event 0x0124 2 12345678");
  EXPECT_EQ(Run({"audit", "--count", "1", "--csv"}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "\xEF\xBB\xBFНомер;Канал;Время;Таг;Событие\r\n"
            "1;Кан. 2;14:45:30;12 34 56 78;Таг передан в контроллер\r\n");
}

TEST_F(CtlDiag, SensorsChangesPrintsAllFourFirstThenOnlyChanges) {
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
