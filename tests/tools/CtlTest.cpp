#include "Ctl.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "CtlFixture.h"
#include "link/OpenFailureText.h"

namespace q17 {
namespace {

using test::Bytes;
using test::ReplyFrame;

class Ctl : public test::CtlFixture {
 protected:
  void SetUp() override { serial.names = {"/dev/ttyUSB0", "/dev/ttyUSB1"}; }
  void Silence() { serial.line.AnswerNextWrite(std::vector<test::LineStep>{}); }
};

TEST_F(Ctl, UsageErrorsExitWith2BeforeThePortIsTouched) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"frobnicate"},
      {"--address", "0", "version"},
      {"--address", "256", "version"},
      {"--timeout", "19", "version"},
      {"--timeout", "x", "version"},
      {"--port"},
      {"set-address"},
      {"set-address", "128"},
      {"set-address", "0"},
      {"restore-radio"},
      {"scan", "0"},
      {"scan", "10", "5"},
      {"scan", "1", "255"},
      {"echo-test", "--length", "65"},
      {"echo-test", "--count"},
      {"version", "extra"},
      // A list only for the commands that go to each reader in turn.
      {"--address", "1,2", "read-config"},
      {"--address", "found", "echo-test"},
      {"--address", "1-3", "set-address", "5"},
      {"--address", "9-5", "version"},
      {"survey", "0"},
      {"survey", "--xml"},
      {"survey", "9", "3"},
      {"doctor", "/dev/ttyS0", "/dev/ttyS1"},
  };
  for (const auto& args : bad) {
    EXPECT_EQ(Run(args), 2) << (args.empty() ? "(none)" : args[0]);
    EXPECT_NE(err.str().find("usage:"), std::string::npos);
  }
  EXPECT_EQ(serial.opens, 0);
}

// A network port's name is checked with the options: what is wrong is said,
// a control character only as \xHH; one port given twice to survey, in any
// spelling, is bad usage, not a busy server.
TEST_F(Ctl, PortNamesAreCheckedBeforeThePortIsTouched) {
  const std::pair<std::vector<std::string>, std::string> bad[] = {
      {{"--port", "tcp://gate:0", "version"}, "--port 'tcp://gate:0': the port number must be 1..65535"},
      {{"--port", "TCP://gate:65536", "version"}, "--port 'TCP://gate:65536': the port number must be 1..65535"},
      {{"--port", "rfc2217://gate:4001 ", "version"}, "--port 'rfc2217://gate:4001 ': a blank in the name"},
      {{"--port", "tcp://ga\x1b]0;x\x07te:4001", "version"},
       "--port 'tcp://ga\\x1B]0;x\\x07te:4001': a control character in the name"},
      {{"doctor", "tcp://[::1:4001"}, "doctor 'tcp://[::1:4001': '[' without its ']'"},
      {{"--port", "tcp://Gate:4001", "--port", "rfc2217://gate:04001", "survey"},
       "--port 'rfc2217://gate:04001' names the port of --port 'tcp://Gate:4001' again: each bus once"},
      {{"--port", "/dev/ttyUSB0", "--port", "/dev/ttyUSB0", "survey"},
       "--port '/dev/ttyUSB0' names the port of --port '/dev/ttyUSB0' again: each bus once"},
  };
  for (const auto& [args, problem] : bad) {
    EXPECT_EQ(Run(args), 2) << problem;
    EXPECT_EQ(err.str().rfind("q17ctl: " + problem + "\nusage:", 0), 0u) << err.str();
  }
  EXPECT_EQ(serial.opens, 0);

  // A local name with a blank at its end is named as it was given.
  EXPECT_EQ(Run({"--port", "/dev/ttyUSB0 ", "version"}), 1);
  EXPECT_EQ(err.str(),
            "Код = 1 / Недопустимый СОМ-порт\n"
            "no interface named '/dev/ttyUSB0 ' (a blank at its start or end?); 'q17ctl ports' lists them\n");
}

TEST_F(Ctl, HelpVersionAndPorts) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out.str().find("echo-test"), std::string::npos);
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_EQ(out.str().rfind("q17ctl ", 0), 0u);
  EXPECT_EQ(Run({"ports"}), 0);
  EXPECT_EQ(out.str(), "/dev/ttyUSB0\n/dev/ttyUSB1\n");
}

TEST_F(Ctl, ReadConfigPrintsTheBlockAndValues) {
  Reply(0, Bytes({0xAA, 0x55, 0x0A, 0x05, 0x14, 0x1E, 0x1E, 0x08, 0x0A, 0x05, 0x14, 0x1E, 0x1E, 0x08, 0x03, 0x0A}));
  Reply(0, Bytes({0x2C, 0x01}));
  Reply(0, Bytes({0x64, 0x00}));
  Reply(0, Bytes({5}));
  Reply(0, Bytes({31}));
  EXPECT_EQ(Run({"--port", "/dev/ttyUSB1", "read-config"}), 0) << err.str();
  EXPECT_EQ(serial.openedName, "/dev/ttyUSB1");
  EXPECT_EQ(out.str(),
            "BLOCK=AA 55 0A 05 14 1E 1E 08 0A 05 14 1E 1E 08 03 0A\n"
            "TMT_1=300\nTMT_2=100\nATT_1=5\nATT_2=31\nMODE=НА ПРОЕЗД\n");
}

TEST_F(Ctl, ReadConfigNamesTheGroupThatFailed) {
  Reply(0, std::vector<std::uint8_t>(16, 1));
  Silence();
  EXPECT_EQ(Run({"read-config"}), 1);
  EXPECT_EQ(err.str(), "Код = 6 / Таймаут обмена\nОшибка получения времени памяти тага!\n");
  EXPECT_EQ(out.str(), "");
}

TEST_F(Ctl, FailuresPrintTheCodeAndExitWith1) {
  Silence();
  EXPECT_EQ(Run({"version"}), 1);
  EXPECT_EQ(err.str(), "Код = 6 / Таймаут обмена\n");
  EXPECT_EQ(out.str(), "");

  Reply(201);
  EXPECT_EQ(Run({"version"}), 1);
  EXPECT_EQ(err.str(), "Код = 201 / Функция не поддерживается\n");
}

TEST_F(Ctl, PortsThatWillNotOpenAreExplained) {
  EXPECT_EQ(Run({"--port", "/dev/ttyS9", "version"}), 1);
  EXPECT_NE(err.str().find("Код = 1 / "), std::string::npos);
  EXPECT_NE(err.str().find("q17ctl ports"), std::string::npos);

  // The reason's words belong to the link; here only how they are printed.
  serial.failOpen = OpenFailure::Busy;
  EXPECT_EQ(Run({"version"}), 1);
  EXPECT_EQ(err.str(),
            "Код = 7 / Ошибка открытия порта\n/dev/ttyUSB0: in use by another program; close it and try again\n");
  serial.failOpen = OpenFailure::None;
  serial.names.clear();
  EXPECT_EQ(Run({"version"}), 1);
  EXPECT_NE(err.str().find("no interfaces found"), std::string::npos);
}

TEST_F(Ctl, ScanListsTheReadersThatAnswerAndNamesTheOthersThatDid) {
  // Address 7 answers, 8 is silent, 9 answers with an empty version, 10 refuses.
  Reply(0, Bytes({'Q', '1', '7', ' ', 0xE2, '1', 0x1B, '0'}));
  Silence();
  // The silent address 8 used up packet number 1.
  serial.line.AnswerNextWrite(ReplyFrame(2, 9, 0, {}));
  serial.line.AnswerNextWrite(ReplyFrame(3, 10, 201, {}));
  EXPECT_EQ(Run({"scan", "7", "10"}), 1);
  EXPECT_EQ(out.str(), "Addr=07 [Q17 в1\\x1B]\nAddr=09 []\n");
  EXPECT_EQ(err.str(), "Addr=10: Код = 201 / Функция не поддерживается\n");
  ASSERT_EQ(serial.line.writes.size(), 4u);
  EXPECT_EQ(serial.line.writes[0][2], 7);
  EXPECT_EQ(serial.line.writes[3][2], 10);
}

TEST_F(Ctl, SetAddressReportsTheNewAddress) {
  Reply(0);
  EXPECT_EQ(Run({"set-address", "5"}), 0);
  EXPECT_EQ(out.str(), "ADDRESS=5\n");
  EXPECT_EQ(serial.line.writes[0][4], 30);
  nextPacketNo = 0;  // every run starts a new list
  Reply(20);
  EXPECT_EQ(Run({"--address", "3", "set-address", "5"}), 1);
  EXPECT_EQ(err.str(), "Код = 20 / Недопустимый параметр\n");
}

TEST_F(Ctl, RestoreRadioTriesBothChannels) {
  Silence();
  Reply(0);
  EXPECT_EQ(Run({"restore-radio", "--yes"}), 1);
  EXPECT_EQ(out.str(), "CHANNEL_1=Код = 6 / Таймаут обмена\nCHANNEL_2=Код = 0 / OK !\n");
  ASSERT_EQ(serial.line.writes.size(), 2u);
  EXPECT_EQ(serial.line.writes[0][4], 10);
  EXPECT_EQ(serial.line.writes[1][4], 11);
}

TEST_F(Ctl, EchoTestCountsGoodAndFailedExchanges) {
  std::vector<std::uint8_t> pattern;
  for (int i = 0; i < 3; ++i) pattern.push_back(static_cast<std::uint8_t>(0x20 + i));
  Reply(0, pattern);
  Silence();
  Reply(5, pattern);                // refused
  Reply(0, {0x20, 0x21, 0x23});     // other bytes
  Reply(0, {0x20, 0x21});           // cut short
  // One failed exchange fails the test, so a script can tell a dead line.
  EXPECT_EQ(Run({"echo-test", "--count", "5", "--length", "3"}), 1);
  EXPECT_EQ(out.str().rfind("good=1\nerrors=4\nms_per_exchange=", 0), 0u) << out.str();
  EXPECT_EQ(err.str(), "last error: Код = 21 / Данные приняты с ошибкой\n");
  for (const auto& frame : serial.line.writes) {
    EXPECT_EQ(std::vector<std::uint8_t>(frame.begin() + 4, frame.begin() + 9), Bytes({200, 3, 0x20, 0x21, 0x22}));
  }
}

TEST_F(Ctl, AStopEndsTheEchoTestWithItsTotalsSoFar) {
  std::vector<std::uint8_t> pattern{0x20, 0x21};
  Reply(0, pattern);
  Reply(0, pattern);
  Silence();  // the stop arrives while the third exchange waits
  auto stopped = [this] { return serial.line.writes.size() >= 3; };
  out.str("");
  EXPECT_EQ(RunCtl({"echo-test", "--count", "1000", "--length", "2"}, serial, d2xx, out, err, stopped), 1);
  // The exchange in progress runs to its time-out, a failure like any other.
  EXPECT_EQ(out.str().rfind("good=2\nerrors=1\nms_per_exchange=", 0), 0u) << out.str();
  EXPECT_EQ(err.str(), "last error: Код = 6 / Таймаут обмена\n");
  EXPECT_EQ(serial.line.writes.size(), 3u);
}

TEST_F(Ctl, FoundAndSurveyNameEveryAddressThatAnsweredAndADeadLineFails) {
  serial.line.AnswerNextWrite(ReplyFrame(0, 1, 201, {}));  // 1 refuses the scan's version read
  Silence();
  serial.line.AnswerNextWrite(ReplyFrame(3, 3, 0, {'V', ' '}));
  for (int address = 4; address <= 254; ++address) Silence();
  serial.line.AnswerNextWrite(ReplyFrame(255, 3, 0, {'V', ' '}));  // its version, after the scan
  EXPECT_EQ(Run({"--address", "found", "version"}), 1);
  EXPECT_EQ(out.str(), "Addr=01\nКод = 201 / Функция не поддерживается\nAddr=03\nV \nOK\n");
  EXPECT_EQ(err.str(),
            "Addr=01: Код = 201 / Функция не поддерживается\n"
            "Addr=01: answered the scan, but not whole; not touched\n");
  EXPECT_EQ(serial.line.writes.size(), 255u);

  EXPECT_EQ(Run({"survey", "1", "3"}), 1);
  EXPECT_EQ(out.str(), "addr\tversion\tmode\ttmt1\ttmt2\tatt1\tatt2\techo_errors\techo_p95_ms\terror\n");
  EXPECT_EQ(err.str(), "q17ctl: no reader answered at 1..3\n");
}

TEST_F(Ctl, AnUnplugOrAStopEndsAListAndNamesWhatWasNotTouched) {
  Reply(0, {'A'});
  Reply(0, {'B'});
  const auto stopAfterTwo = [this] { return serial.line.writes.size() >= 2; };
  EXPECT_EQ(RunCtl({"--address", "1-5", "version"}, serial, d2xx, out, err, stopAfterTwo), 0);
  // The reader in progress ran to its reply: its block is whole.
  EXPECT_EQ(out.str(), "Addr=01\nA\nOK\nAddr=02\nB\nOK\n");
  EXPECT_EQ(err.str(), "q17ctl: stopped; not touched: 3-5\n");

  nextPacketNo = 0;
  serial.line.writes.clear();
  out.str("");
  err.str("");
  Reply(0, {'A'});
  const auto unplugAfterOne = [this] {
    if (serial.line.writes.size() >= 1) serial.gone = true;
    return false;
  };
  EXPECT_EQ(RunCtl({"--address", "1-5", "version"}, serial, d2xx, out, err, unplugAfterOne), 1);
  EXPECT_EQ(out.str(), "Addr=01\nA\nOK\nAddr=02\nКод = 3 / COM-порт закрыт\n");
  EXPECT_EQ(err.str(), "Addr=02: Код = 3 / COM-порт закрыт\nAddr=02: " +
                           std::string(DeviceGoneExplanation()) + "\nq17ctl: not touched: 3-5\n");
}

// Whatever the exchange that met it returned, an unplug is said once, as
// the port closed, with what to do; nothing more goes out.
TEST_F(Ctl, AnUnplugEndsACommandAtOnceAndIsSaidOnceAsThePortClosed) {
  const auto unplugAfterOne = [this] {
    if (serial.line.writes.size() >= 1) serial.gone = true;
    return false;
  };
  const std::string told = "Код = 3 / COM-порт закрыт\n" + std::string(DeviceGoneExplanation()) + "\n";
  const struct {
    std::vector<std::string> args;
    bool firstAnswered;
    std::string errAfter;
  } table[] = {
      {{"scan"}, false, ""},
      {{"radio-test", "--seconds", "600"}, true, ""},  // gone while it waits: no stop can reach it
      {{"echo-test", "--count", "5"}, false, ""},
      {{"audit", "--count", "5"}, true, "audit mode could not be switched off\n"},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.args.front());
    serial.gone = false;
    serial.line.writes.clear();
    nextPacketNo = 0;
    err.str("");
    if (row.firstAnswered) {
      Reply(0);
    } else {
      Silence();
    }
    EXPECT_EQ(RunCtl(row.args, serial, d2xx, out, err, unplugAfterOne), 1);
    EXPECT_EQ(err.str(), told + row.errAfter);
    EXPECT_EQ(serial.line.writes.size(), 1u);
  }
}

TEST_F(Ctl, ATraceNeverLandsOnTheSettingsFileOrADevice) {
  const std::string dir = ::testing::TempDir();
  const std::string gate = dir + "/trace-victim.set";
  const std::string settings = "[MEMORY]\r\nTMT_1=300\r\n";
  std::ofstream(gate, std::ios::binary) << settings;
  for (const char* command : {"write-config", "save-config"}) {
    EXPECT_EQ(Run({"--trace", gate, command, gate}), 2) << command;
    EXPECT_NE(err.str().find("is the command's settings file"), std::string::npos) << err.str();
  }
  EXPECT_EQ(Run({"--trace", dir + "/./trace-victim.set", "save-config", gate}), 2);
#ifdef _WIN32
  const char* device = "com7.log";  // a serial line, whatever the extension
#else
  const char* device = "/dev/null";
#endif
  EXPECT_EQ(Run({"--trace", device, "version"}), 2);
  EXPECT_NE(err.str().find("is a device, not a file"), std::string::npos) << err.str();
  EXPECT_EQ(serial.opens, 0);
  std::ifstream in(gate, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), settings);

  EXPECT_EQ(Run({"--trace", dir + "/no-such-folder/t.log", "version"}), 1);
  EXPECT_EQ(err.str(), "q17ctl: cannot create the trace file '" + dir +
                           "/no-such-folder/t.log': No such file or directory\n");
  EXPECT_EQ(serial.opens, 0);

  EXPECT_EQ(Run({"--trace", dir + "/ports.log", "ports"}), 0);
  EXPECT_EQ(err.str(), "q17ctl: ports exchanges nothing with a reader; nothing is traced\n");
  EXPECT_FALSE(std::ifstream(dir + "/ports.log"));
}

TEST_F(Ctl, ATraceLostWithTheErrorOutputFailsTheCommand) {
  struct : std::streambuf {
    int_type overflow(int_type) override { return traits_type::eof(); }
  } broken;
  std::ostream brokenErr(&broken);
  Reply(0, {'V'});
  EXPECT_EQ(RunCtl({"--trace", "-", "version"}, serial, d2xx, out, brokenErr), 1);
  EXPECT_EQ(out.str(), "V\n");
}

// Every command that prints as it goes ends at the first output that cannot
// be written, as at a stop: nothing after it would be seen.
TEST_F(Ctl, OutputThatCannotBeWrittenEndsTheCommand) {
  struct : std::streambuf {
    int_type overflow(int_type) override { return traits_type::eof(); }
  } broken;
  const struct {
    std::vector<std::string> args;
    std::size_t exchanges;
  } table[] = {
      {{"scan"}, 1},
      {{"--address", "1-5", "version"}, 1},
      {{"survey"}, 1},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.args.back());
    serial.line.writes.clear();
    nextPacketNo = 0;
    Reply(0, {'V'});
    std::ostream brokenOut(&broken);
    RunCtl(row.args, serial, d2xx, brokenOut, err);
    EXPECT_EQ(serial.line.writes.size(), row.exchanges);
  }
}

}  // namespace
}  // namespace q17
