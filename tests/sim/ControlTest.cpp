// Control lines: the answer to each, and what it did to the bus.
#include <gtest/gtest.h>

#include "BusHelpers.h"

namespace q17::sim {
namespace {

using test::Ask;
using test::Bytes;

bool Ok(const std::string& answer) { return answer == "ok" || answer.rfind("ok ", 0) == 0; }
bool Err(const std::string& answer) { return answer.rfind("error ", 0) == 0; }

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override { clock.Attach(bus); }
  std::string Do(const std::string& line) {
    const std::string answer = bus.ApplyControl(line);
    EXPECT_EQ(answer.find('\n'), std::string::npos) << line;
    return answer;
  }
  SimReader& R(std::uint8_t a) { return *bus.Reader(a); }

  ReaderBus bus;
  test::FixedClock clock;
};

TEST_F(ControlTest, GoodLinesAnswerOk) {
  const char* lines[] = {
      "", "   ", "# a comment", "help", "reader list", "reader add 2", "select 2", "@1 state", "state", "state 2",
      "tag add 1 00A10228", "tag add 2 00 B1 FF 03", "tag add 1 0x1", "tag list 1", "tag remove 1 00A10228",
      "tag clear 2", "sensor car 1 on", "sensor gate 2 off", "event 0x0124 2 12345678", "event 16 1 1",
      "pass 1 00A10228", "audit on", "audit clear", "audit off", "answer 80", "answer 80 3", "answer off",
      "radio-counts 10 3", "version 2xQ17 v2.0 ", "version", "clock 2024-03-05 14:07:09",
      "clock 2024-03-05 14:07:09 3", "reset", "stats", "faults", "fault badcrc on", "fault badcrc off",
      "fault noise next 3", "fault random 10 42", "fault random 5 1 cut,noreply", "fault random 5 1 cut noreply",
      "fault random off", "fault off", "delay 30", "\tstate\r\n", "reader remove 2", "@1 slow 80", "@1 slow 0",
  };
  for (const char* line : lines) EXPECT_TRUE(Ok(Do(line))) << '"' << line << "\" -> " << bus.ApplyControl(line);
}

TEST_F(ControlTest, BadLinesAnswerError) {
  const char* lines[] = {
      "frobnicate", "@0 state", "@256 state", "@x state", "@1", "@7 state", "@1 fault off", "select 9",
      "select", "reader add 0", "reader add 1", "reader remove 3", "reader", "tag add 3 01", "tag add 1",
      "tag add 1 123456789", "tag add 1 xyz", "tag remove 1 55", "tag list", "sensor car 1", "sensor door 1 on",
      "sensor car 1 maybe", "event 0x10000 1 1", "event 1 0 1", "event 1 1", "pass 1", "pass 3 1", "audit",
      "audit maybe", "answer 0", "answer 256", "answer 80 0", "answer", "radio-counts 1", "radio-counts 70000 1",
      "clock 2024-02-30 00:00:00", "clock 1999-01-01 00:00:00", "clock 2024-03-05 24:00:00",
      "clock 2024-03-05 14:07:09 8", "clock 2024-3-5 14:07:09", "reset now", "state 1 2", "fault", "fault crc on",
      "fault badcrc", "fault badcrc next 0", "@1 state 1", "fault badcrc next", "fault random 0 1", "fault random 5",
      "fault random 5 1 bogus", "delay -1", "delay 60001", "delay", "state 0", "slow", "slow 60001",
  };
  for (const char* line : lines) EXPECT_TRUE(Err(Do(line))) << '"' << line << "\" -> " << bus.ApplyControl(line);
}

TEST_F(ControlTest, AddressedLinesThatCannotApplyChangeNothing) {
  const std::pair<const char*, const char*> table[] = {
      {"@1 quit", "error quit does not take @ADDR"},
      {"@5 reader add 9", "error reader does not take @ADDR"},
      {"@1 fault noreply on", "error fault does not take @ADDR"},
      {"@1 delay 5", "error delay does not take @ADDR"},
      {"@1 select 1", "error select does not take @ADDR"},
      {"@9 tag add 1 01", "error no reader at 9"},
      {"@9 answer 80", "error no reader at 9"},
      {"@9 version X", "error no reader at 9"},
  };
  for (auto [line, answer] : table) EXPECT_EQ(Do(line), answer) << line;
  EXPECT_FALSE(bus.QuitRequested());
  EXPECT_EQ(Do("reader list"), "ok 1");
  EXPECT_EQ(bus.GetFaults().Describe(), "none");
  EXPECT_EQ(bus.GetFaults().DelayMs(), 100u);
  EXPECT_EQ(Ask(bus, 1, 40).pc.code, 0);
}

TEST_F(ControlTest, HostileInputGetsOneAnswerAndNoCrash) {
  EXPECT_TRUE(Err(Do(std::string(5000, 'a'))));
  EXPECT_TRUE(Err(Do(std::string("tag add 1 \xFF\xFE"))));
  EXPECT_TRUE(Err(Do(std::string("\0\0\0", 3))));
  EXPECT_TRUE(Err(Do("event 99999999999999999999 1 1")));
  EXPECT_TRUE(Err(Do("@ state")));
  EXPECT_TRUE(Ok(Do("version \xD0")));  // broken UTF-8 becomes '?'
  EXPECT_EQ(R(1).state.version, "?");
}

TEST_F(ControlTest, TagsAndSensorsReachTheReader) {
  Do("tag add 1 00 A1 02 28");
  Do("tag add 1 12345678");
  EXPECT_EQ(Do("tag list 1"), "ok 00A10228 12345678");
  EXPECT_TRUE(Err(Do("tag add 1 00A10228")));  // already there
  EXPECT_EQ(Ask(bus, 1, 80).pc.data, Bytes{2});
  Do("tag remove 1 00a10228");
  EXPECT_EQ(Ask(bus, 1, 81).pc.data, (Bytes{0x78, 0x56, 0x34, 0x12}));
  Do("sensor car 2 on");
  EXPECT_EQ(Ask(bus, 1, 182).pc.data, (Bytes{0, 0, 0, 1}));
}

TEST_F(ControlTest, AuditModeMakesTheWorldLeaveEvents) {
  Do("tag add 1 01");
  Do("sensor car 1 on");
  EXPECT_TRUE(R(1).state.audit.empty());  // audit mode off: nothing recorded
  Do("audit on");
  Do("sensor car 1 on");  // no change, no event
  Do("sensor car 1 off");
  Do("tag remove 1 01");
  Do("tag add 2 AB");
  Do("tag clear 2");
  ASSERT_EQ(R(1).state.audit.size(), 4u);
  EXPECT_EQ(R(1).state.audit[0][0], 0x02);  // car sensor released (0x0102)
  EXPECT_EQ(R(1).state.audit[1][0], 0x11);  // tag lost
  EXPECT_EQ(R(1).state.audit[2][0], 0x10);  // new tag, channel 2
  EXPECT_EQ(R(1).state.audit[2][2], 2);
  EXPECT_EQ(R(1).state.audit[3][0], 0x11);
}

TEST_F(ControlTest, EventUsesTheReadersClock) {
  Do("clock 2022-03-15 14:45:30");
  EXPECT_EQ(Do("event 0x0124 2 12 34 56 78"), "ok 1 event queued (1 waiting)");
  EXPECT_EQ(Ask(bus, 1, 122).pc.data, (Bytes{0x24, 0x01, 0x02, 0x00, 0x78, 0x56, 0x34, 0x12, 0x0F, 0x03, 0xE6, 0x07,
                                             0x1E, 0x2D, 0x0E, 0x00}));
  EXPECT_EQ(Do("pass 1 5"), "ok 3 events queued (3 waiting)");  // default mode: no gate
}

TEST_F(ControlTest, ClockFindsTheDayOfWeek) {
  EXPECT_EQ(Do("clock 2024-03-05 14:07:09"), "ok clock 2024-03-05 14:07:09 dow 3");
  EXPECT_EQ(Do("clock 2024-03-10 00:00:00"), "ok clock 2024-03-10 00:00:00 dow 1");
  EXPECT_EQ(Do("clock 2024-03-10 00:00:00 5"), "ok clock 2024-03-10 00:00:00 dow 5");
}

TEST_F(ControlTest, VersionKeepsBlanksAndConvertsToWindows1251) {
  Do("version 2xQ17 v2.0 ");
  EXPECT_EQ(R(1).state.version, "2xQ17 v2.0 ");
  Do("version Считыватель 1.2 ");
  const Bytes reply = Ask(bus, 1, 40).pc.data;
  EXPECT_EQ(reply.size(), 16u);
  EXPECT_EQ(reply[0], 0xD1);  // С
  EXPECT_EQ(reply[1], 0xF7);  // ч
  Do("version");
  EXPECT_TRUE(Ask(bus, 1, 40).pc.data.empty());
  EXPECT_TRUE(Err(Do("version " + std::string(129, 'v'))));
  EXPECT_TRUE(Ok(Do("version " + std::string(128, 'v'))));
}

TEST_F(ControlTest, AnswerCodes) {
  EXPECT_EQ(Do("answer 21 2"), "ok reader 1 answers 21 to the next 2 requests");
  EXPECT_EQ(Ask(bus, 1, 151).pc.code, 21);
  EXPECT_EQ(Ask(bus, 1, 151).pc.code, 21);
  EXPECT_EQ(Ask(bus, 1, 151).pc.code, 0);
  Do("answer 222");
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Ask(bus, 1, 40).pc.code, 222);
  EXPECT_NE(Do("state").find("ANSWER=222 "), std::string::npos);
  Do("answer off");
  EXPECT_EQ(Ask(bus, 1, 40).pc.code, 0);
  // One command struck, the others carried out; the count runs on that command only.
  EXPECT_EQ(Do("answer 20 1 cmd 151"), "ok reader 1 answers 20 to the next 1 requests of command 151");
  EXPECT_EQ(Ask(bus, 1, 40).pc.code, 0);
  EXPECT_EQ(Ask(bus, 1, 151).pc.code, 20);
  EXPECT_EQ(Ask(bus, 1, 151).pc.code, 0);
  EXPECT_TRUE(Err(Do("answer 20 cmd")));
  EXPECT_TRUE(Err(Do("answer 20 cmd 0")));
}

TEST_F(ControlTest, AddressingReaders) {
  Do("reader add 5");
  Do("@5 tag add 2 77");
  EXPECT_TRUE(R(1).state.tags[1].empty());
  EXPECT_EQ(R(5).state.tags[1].size(), 1u);
  Do("select 5");
  Do("radio-counts 4 2");
  EXPECT_EQ(R(5).state.radio.referenceCount, 4);
  EXPECT_EQ(Ask(bus, 5, 184).pc.data, (Bytes{4, 0, 2, 0}));
  EXPECT_EQ(Do("reader list"), "ok 1 5");
  // The selection follows a reader that changes its address.
  Ask(bus, 5, 30, {9, 246});
  EXPECT_EQ(Do("reader list"), "ok 1 9");
  EXPECT_NE(Do("state").find("ADDR=9 "), std::string::npos);
  Do("reader remove 9");
  EXPECT_EQ(Do("state"), "error no reader at 9");
  EXPECT_FALSE(Ask(bus, 9, 40).replied);
}

TEST_F(ControlTest, StateLineShowsTheReader) {
  Do("tag add 2 00B1FF03");
  Do("sensor gate 1 on");
  Do("clock 2024-03-05 14:07:09");
  Ask(bus, 1, 25, {0x2C, 0x01});
  EXPECT_EQ(Do("state"),
            "ok ADDR=1 BLOCK=AA550A05141E1E080A05141E1E08010A TMT=300,100 ATT=0,0 DATE=2024-03-05 TIME=14:07:09 "
            "DOW=3 PROFILE1=303000000000350000000035236C6500 PROFILE2=303000000000350000000035236C6500 TAGS1=- "
            "TAGS2=00B1FF03 SENSORS=1000 AUDIT=off EVENTS=0 RADIO=off RADIOCH=1 REF=00000000 TEST=00000000 "
            "COUNTS=0,0 ANSWER=none VERSION=\"2xQ17 v1.0 \"");
}

TEST_F(ControlTest, FaultLinesDriveTheFaults) {
  Do("fault cut next 2");
  Do("fault noise on");
  EXPECT_EQ(Do("faults"), "ok replies=0 injected=0 noise=0 badcrc=0 packetno=0 oversize=0 flags11=0 noreply=0 "
                          "cut=0 delay=0 active=noise=on,cut=next:2");
  Ask(bus, 1, 40);
  Ask(bus, 1, 40);
  Ask(bus, 1, 40);
  EXPECT_EQ(Do("faults"), "ok replies=3 injected=5 noise=3 badcrc=0 packetno=0 oversize=0 flags11=0 noreply=0 "
                          "cut=2 delay=0 active=noise=on");
  Do("delay 25");
  Do("fault off");
  Do("fault delay on");
  bus.Feed(EncodeRequest(0, 1, 40, {}));
  EXPECT_EQ(bus.TakeChunk()->delayMs, 25u);
  Do("fault random 4 9 packetno");
  EXPECT_NE(Do("faults").find("active=delay=on,random=4/9"), std::string::npos);
}

TEST_F(ControlTest, QuitAndReset) {
  Do("tag add 1 1");
  Do("reset");
  EXPECT_TRUE(R(1).state.tags[0].empty());
  EXPECT_FALSE(bus.QuitRequested());
  EXPECT_EQ(Do("quit"), "ok bye");
  EXPECT_TRUE(bus.QuitRequested());
}

}  // namespace
}  // namespace q17::sim
