// The diagnostic operations of the core against the simulated bus: what
// they leave in the reader and in the command state.
#include <gtest/gtest.h>

#include "SimSerialApi.h"
#include "link/ErrMsg.h"
#include "reader/Audit.h"
#include "reader/RadioTest.h"
#include "reader/ReadZone.h"
#include "reader/Scan.h"
#include "reader/Sensors.h"
#include "support/ControlField.h"
#include "support/FakeD2xxApi.h"
#include "support/FakeSerialApi.h"
#include "support/Frames.h"

namespace q17::sim {
namespace {

class Diag : public ::testing::Test {
 protected:
  void SetUp() override {
    list.Refresh();
    ASSERT_EQ(list.Open(list.IndexOf("SIM"), 0), 0);
  }
  std::string State(const std::string& name) { return test::ControlField(bus.ApplyControl("state"), name); }

  ReaderBus bus{{1, 3, 12}};
  SimSerialApi serial{bus};
  test::FakeD2xxApi d2xx;
  TInterfList list{serial, d2xx};
  TCommandState s;
};

TEST_F(Diag, ScanListsReadersAndRestoresTheAddress) {
  bus.ApplyControl("@12 version Q17-12 ");
  bus.ApplyControl("@3 version ");
  s.ReaderAddress = 77;
  std::vector<std::string> lines;
  std::vector<int> tried;
  const int found = ScanReaders(s, list, 1, 14, [&](int address, int result, const std::string& text) {
    tried.push_back(address);
    if (result == 0) lines.push_back(ScanLine(address, text));
    return true;
  });
  EXPECT_EQ(found, 3);
  EXPECT_EQ(tried.size(), 14u);
  EXPECT_EQ(lines, (std::vector<std::string>{"Addr=01 [2xQ17 v1.0]", "Addr=03 []", "Addr=12 [Q17-12]"}));
  EXPECT_EQ(s.ReaderAddress, 77);

  // Cancelled after the second address, and an empty range: address restored too.
  tried.clear();
  ScanReaders(s, list, 1, 14, [&](int address, int, const std::string&) {
    tried.push_back(address);
    return address < 2;
  });
  EXPECT_EQ(tried, (std::vector<int>{1, 2}));
  EXPECT_EQ(s.ReaderAddress, 77);
  EXPECT_EQ(ScanReaders(s, list, 10, 5, {}), 0);
  EXPECT_EQ(s.ReaderAddress, 77);
}

TEST_F(Diag, ReadZoneSetUpAndRestore) {
  // Reader values other than the defaults, so a restore is visible.
  s.TMT_1 = 300;
  WriteTagMemTime1(s, list);
  s.TMT_2 = 40;
  WriteTagMemTime2(s, list);
  s.Config.Mode = Standard;
  WriteConfig(s, list);

  TReadZoneSetup setup;
  ASSERT_TRUE(setup.Start(s, list));
  EXPECT_EQ(State("TMT"), "10,10");
  EXPECT_EQ(s.Config.Mode, NoGate);
  EXPECT_EQ(setup.Restore(s, list), 0);
  EXPECT_EQ(State("TMT"), "300,40");
  ReadConfig(s, list);
  EXPECT_EQ(s.Config.Mode, Standard);
  EXPECT_FALSE(setup.Active());

  // Channel 1's restore refused: the others still go out, and the refusal
  // is what Restore answers, the reader not being as it was.
  ASSERT_TRUE(setup.Start(s, list));
  bus.ApplyControl("answer 20 1");
  EXPECT_EQ(setup.Restore(s, list), 20);
  EXPECT_EQ(State("TMT"), "10,40");
  ReadConfig(s, list);
  EXPECT_EQ(s.Config.Mode, Standard);

  // A restore with nothing set up sends nothing.
  const auto before = bus.Stats().requests;
  setup.Restore(s, list);
  EXPECT_EQ(bus.Stats().requests, before);
}

TEST_F(Diag, ReadZoneRestoresOnlyWhatWasRead) {
  s.TMT_2 = 40;
  WriteTagMemTime2(s, list);
  s.TMT_1 = 555;  // stale: never written to the reader
  // The reply after the block's is refused: channel 1's time cannot be read.
  int replies = 0;
  bus.SetReplyHook([&] {
    if (++replies == 1) bus.ApplyControl("answer 20 1");
  });
  TReadZoneSetup setup;
  ASSERT_TRUE(setup.Start(s, list));
  bus.SetReplyHook({});
  EXPECT_EQ(State("TMT"), "100,10");  // channel 1 untouched, channel 2 in test
  setup.Restore(s, list);
  EXPECT_EQ(State("TMT"), "100,40");
}

TEST_F(Diag, ReadZoneStartStopsWhenTheBlockCannotBeRead) {
  bus.ApplyControl("answer 201 1");
  const auto before = bus.Stats().requests;
  TReadZoneSetup setup;
  EXPECT_FALSE(setup.Start(s, list));
  EXPECT_EQ(bus.Stats().requests, before + 1);
  EXPECT_FALSE(setup.Active());
}

TEST_F(Diag, TagWalksOfAField) {
  bus.ApplyControl("tag add 2 11223344");
  bus.ApplyControl("tag add 2 00A10228");
  std::vector<TTagCode> tags;
  EXPECT_EQ(ListTags(s, list, 2, tags), 0);
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_EQ(tags[1], (TTagCode{0x28, 0x02, 0xA1, 0x00}));
  EXPECT_EQ(ListTags(s, list, 1, tags), 0);
  EXPECT_TRUE(tags.empty());

  int pauses = 0;
  const auto pause = [&] { return ++pauses, true; };
  TTagSearch found = FindTag(s, list, 2, 0x00A10228, pause);
  EXPECT_TRUE(found.Found);
  EXPECT_EQ(found.Requests, 2);
  EXPECT_EQ(pauses, 2);
  // Not there: first, next, and the next that fails.
  EXPECT_EQ(FindTag(s, list, 2, 0x01020304, pause).Requests, 3);
  // Both requests refused: exactly one of each.
  bus.ApplyControl("answer 80");
  EXPECT_EQ(FindTag(s, list, 2, 0x01020304, pause).Requests, 2);
  bus.ApplyControl("answer off");
  // A time-out during the walk is reported, the tags so far kept.
  bus.ApplyControl("fault noreply next 1");
  EXPECT_EQ(ListTags(s, list, 2, tags), rcTimeout);
}

TEST_F(Diag, AuditSensorAndRadioCommandsFailOnARefusalOrAShortReply) {
  ASSERT_EQ(SetAuditMode(s, list, true), 0);
  EXPECT_EQ(State("AUDIT"), "on");
  bus.ApplyControl("event 0x0124 2 12345678");
  std::optional<TAuditEvent> e;
  const std::tm now{};
  ASSERT_EQ(ReadAuditEvent(s, list, now, e), 0);
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->Tag, 0x12345678u);
  EXPECT_EQ(e->Channel, 2);
  // No event waiting: a short reply, no event.
  ASSERT_EQ(ReadAuditEvent(s, list, now, e), 0);
  EXPECT_FALSE(e.has_value());
  bus.ApplyControl("answer 20 1");
  EXPECT_EQ(SetAuditMode(s, list, false), 20);
  EXPECT_EQ(State("AUDIT"), "on");

  bus.ApplyControl("sensor car 2 on");
  TSensorState sensors;
  ASSERT_EQ(ReadSensors(s, list, sensors), 0);
  EXPECT_EQ(sensors, (TSensorState{false, false, false, true}));
  bus.ApplyControl("sensor car 2 off");
  bus.ApplyControl("answer 201 1");
  EXPECT_EQ(ReadSensors(s, list, sensors), 201);
  EXPECT_EQ(sensors, (TSensorState{false, false, false, true})) << "left as it was";

  // The stop's request bytes must never pass for counts.
  TRadioCounts counts{1, 2};
  ASSERT_EQ(StartRadioTest(s, list, RadioStartPayload(1, s.EtalonTag, s.TestTag)), 0);
  bus.ApplyControl("radio-counts 7 9");
  bus.ApplyControl("answer 20 1");
  EXPECT_EQ(StopRadioTest(s, list, counts), 20);
  EXPECT_EQ(counts.Etalon, 1);
  EXPECT_EQ(counts.Test, 2);
  ASSERT_EQ(StopRadioTest(s, list, counts), 0);
  EXPECT_EQ(counts.Etalon, 7);
  EXPECT_EQ(counts.Test, 9);
}

// A reader that never answers a next-tag request with a failure: the walk
// still ends, bounded by the largest field a count can report.
TEST(TagWalk, EndsEvenWhenTheReaderNeverFails) {
  test::FakeSerialApi serial;
  test::FakeD2xxApi d2xx;
  serial.names = {"COM1"};
  TInterfList list{serial, d2xx};
  list.Refresh();
  ASSERT_EQ(list.Open(0, 0), 0);
  for (int i = 0; i < 600; ++i) {
    serial.line.AnswerNextWrite(test::ReplyFrame(static_cast<std::uint8_t>(i), 1, 0, {1, 2, 3, 4}));
  }
  TCommandState s;
  const TTagSearch search = FindTag(s, list, 1, 0x0A0B0C0D, [] { return true; });
  EXPECT_FALSE(search.Found);
  EXPECT_EQ(search.Requests, 1 + kMaxTagsInField);
  std::vector<TTagCode> tags;
  EXPECT_EQ(ListTags(s, list, 1, tags), 0);
  EXPECT_EQ(tags.size(), static_cast<std::size_t>(kMaxTagsInField));
}

// The sensor window's read: only the exchange decides, and the states come
// from a reply that carries all four, whatever its answer code.
TEST(SensorWindowRead, TakesTheStatesAReplyCarriesWhateverItsAnswerCode) {
  test::FakeSerialApi serial;
  test::FakeD2xxApi d2xx;
  serial.names = {"COM1"};
  TInterfList list{serial, d2xx};
  list.Refresh();
  ASSERT_EQ(list.Open(0, 0), 0);
  TCommandState s;
  const TSensorState before{false, true, true, false};
  const struct {
    std::uint16_t code;
    std::vector<std::uint8_t> data;
    bool read;
    TSensorState state;
  } cases[] = {
      {201, {1, 0, 0, 0}, true, {true, false, false, false}},
      {0, {0, 0, 0, 5, 9}, true, {false, false, false, true}},
      {0, {1, 1, 1}, false, before},  // three states only: none shown
      {20, {}, false, before},
  };
  for (const auto& c : cases) {
    serial.line.AnswerNextWrite(test::ReplyFrame(list.PacketNo(), 1, c.code, c.data));
    TSensorState state = before;
    bool read = !c.read;
    EXPECT_EQ(ReadSensorsTransaction(s, list, state, read), 0) << c.code;
    EXPECT_EQ(read, c.read) << c.code;
    EXPECT_EQ(state, c.state) << c.code;
  }
  // No reply: the time-out, and no states.
  TSensorState state = before;
  bool read = true;
  EXPECT_EQ(ReadSensorsTransaction(s, list, state, read), rcTimeout);
  EXPECT_FALSE(read);
  EXPECT_EQ(state, before);
}

}  // namespace
}  // namespace q17::sim
