// The readers' commands, exchanged through the bus as the PC sends them.
#include "SimReader.h"

#include <gtest/gtest.h>

#include "BusHelpers.h"

namespace q17::sim {
namespace {

using test::Answer;
using test::Ask;
using test::Bytes;

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { clock.Attach(bus); }
  SimReader& R1() { return *bus.Reader(1); }
  // The answer code and data of an exchange that must have succeeded on the link.
  std::pair<std::uint16_t, Bytes> Do(std::uint16_t code, const Bytes& data = {}, std::uint8_t address = 1) {
    const Answer a = Ask(bus, address, code, data);
    EXPECT_TRUE(a.replied) << "command " << code;
    EXPECT_EQ(a.pc.result, 0) << "command " << code;
    return {a.pc.code, a.pc.data};
  }

  ReaderBus bus;
  test::FixedClock clock;
};

TEST_F(ReaderTest, StartsWithTheProgramsDefaults) {
  EXPECT_EQ(Do(151), std::make_pair(std::uint16_t{0}, Bytes{0xAA, 0x55, 0x0A, 0x05, 0x14, 0x1E, 0x1E, 0x08, 0x0A,
                                                            0x05, 0x14, 0x1E, 0x1E, 0x08, 0x01, 0x0A}));
  EXPECT_EQ(Do(27).second, (Bytes{0x64, 0x00}));
  EXPECT_EQ(Do(28).second, (Bytes{0x64, 0x00}));
  EXPECT_EQ(Do(18).second, Bytes{0});
  EXPECT_EQ(Do(19).second, Bytes{0});
  const Bytes version = Do(40).second;
  EXPECT_EQ(std::string(version.begin(), version.end()), "2xQ17 v1.0 ");
}

struct WriteCase {
  const char* name;
  std::uint16_t write;
  Bytes payload;
  std::uint16_t read;
  Bytes readBack;  // what the read returns afterwards
};

TEST_F(ReaderTest, WritesAreReadBack) {
  const Bytes block{0xAA, 0x55, 1, 2, 3, 4, 5, 0x88, 6, 7, 8, 9, 10, 0xFF, 3, 20};
  const WriteCase cases[] = {
      {"config", 150, block, 151, block},
      {"tmt 1", 25, {0x2C, 0x01}, 27, {0x2C, 0x01}},
      {"tmt 2", 26, {0xFF, 0xFF}, 28, {0xFF, 0xFF}},
      {"att 1", 12, {31}, 18, {31}},
      {"att 2", 13, {7}, 19, {7}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Do(c.write, c.payload), std::make_pair(std::uint16_t{0}, Bytes{})) << c.name;
    EXPECT_EQ(Do(c.read), std::make_pair(std::uint16_t{0}, c.readBack)) << c.name;
  }
  EXPECT_EQ(R1().state.tmt[0], 300);
  EXPECT_EQ(R1().state.att[1], 7);
}

struct RefuseCase {
  const char* name;
  std::uint16_t code;
  Bytes payload;
};

TEST_F(ReaderTest, MalformedPayloadsAnswer20AndChangeNothing) {
  const RefuseCase cases[] = {
      {"config short", 150, Bytes(15, 1)},
      {"config long", 150, Bytes(17, 1)},
      {"tmt one byte", 25, {1}},
      {"att above 31", 12, {32}},
      {"att two bytes", 13, {1, 2}},
      {"profile short", 10, Bytes(15, 0)},
      {"profile 2 long", 11, Bytes(17, 0)},
      {"read config with data", 151, {0}},
      {"read tmt with data", 27, {0}},
      {"version with data", 40, {0}},
      {"tag count with data", 80, {0}},
      {"next tag with data", 85, {0}},
      {"audit mode 2", 181, {2}},
      {"audit mode empty", 181, {}},
      {"sensors with data", 182, {1}},
      {"radio start short", 183, Bytes(8, 1)},
      {"radio start channel 3", 183, {3, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"radio start channel 0", 183, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"radio stop with data", 184, {1}},
      {"date short", 202, {0x07, 0xE8, 3}},
      {"time long", 201, {1, 2, 3, 4, 5}},
      {"address one byte", 30, {5}},
  };
  const ReaderState before = R1().state;
  for (const auto& c : cases) {
    EXPECT_EQ(Do(c.code, c.payload), std::make_pair(std::uint16_t{20}, Bytes{})) << c.name;
  }
  EXPECT_EQ(R1().state.block, before.block);
  EXPECT_EQ(R1().state.tmt, before.tmt);
  EXPECT_EQ(R1().state.att, before.att);
  EXPECT_EQ(R1().state.profiles, before.profiles);
  EXPECT_FALSE(R1().state.radio.running);
  EXPECT_EQ(R1().Address(), 1);
}

TEST_F(ReaderTest, UnknownCodesAnswer201) {
  for (std::uint16_t code : {0, 1, 99, 121, 255}) EXPECT_EQ(Do(code).first, 201) << code;
  // A two-byte command code from a PC that uses the wide form.
  bus.Feed(EncodeRequest(0, 1, 0x0197, {}, 0x10));
  EXPECT_EQ(test::PcReceive(bus.TakeOutput(), 0).code, 201);
}

TEST_F(ReaderTest, DateThenTimeSetTheClock) {
  // 5 March 2024, 14:07:09, a Tuesday.
  EXPECT_EQ(Do(202, {0x07, 0xE8, 0x03, 0x05}).first, 0);
  EXPECT_EQ(Do(201, {0x0E, 0x07, 0x09, 0x03}).first, 0);
  EXPECT_EQ(R1().state.clock.Now(clock.ms), (DateTime{2024, 3, 5, 14, 7, 9, 3}));
  // The clock runs: 10 h 53 min 1 s later it is the next day, a Wednesday.
  clock.ms += (10 * 3600 + 53 * 60 + 1) * 1000;
  EXPECT_EQ(R1().state.clock.Now(clock.ms), (DateTime{2024, 3, 6, 1, 0, 10, 4}));
}

TEST_F(ReaderTest, ImpossibleDatesAndTimesAnswer20) {
  const Bytes dates[] = {{0x07, 0xE8, 13, 1}, {0x07, 0xE8, 0, 1},  {0x07, 0xE8, 1, 0},
                         {0x07, 0xE7, 2, 29}, {0x07, 0xCF, 1, 1},  {0x08, 0x34, 1, 1}};
  for (const Bytes& d : dates) EXPECT_EQ(Do(202, d).first, 20) << int(d[2]) << "/" << int(d[3]);
  const Bytes times[] = {{24, 0, 0, 1}, {0, 60, 0, 1}, {0, 0, 60, 1}, {0, 0, 0, 0}, {0, 0, 0, 8}};
  for (const Bytes& t : times) EXPECT_EQ(Do(201, t).first, 20);
  EXPECT_EQ(R1().state.clock.Now(clock.ms), DateTime{});
  EXPECT_EQ(Do(202, {0x07, 0xE8, 2, 29}).first, 0);  // 2024 is a leap year
}

TEST_F(ReaderTest, RadioProfilesPerChannel) {
  Bytes p1(16), p2(16);
  for (int i = 0; i < 16; ++i) {
    p1[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    p2[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0xF0 + i);
  }
  EXPECT_EQ(Do(10, p1).first, 0);
  EXPECT_EQ(Do(11, p2).first, 0);
  EXPECT_EQ(Bytes(R1().state.profiles[0].begin(), R1().state.profiles[0].end()), p1);
  EXPECT_EQ(Bytes(R1().state.profiles[1].begin(), R1().state.profiles[1].end()), p2);
}

TEST_F(ReaderTest, TagCountAndWalkPerChannel) {
  EXPECT_EQ(Do(80).second, Bytes{0});
  EXPECT_EQ(Do(81), std::make_pair(std::uint16_t{80}, Bytes{}));
  R1().AddTag(1, 0x00A10228, clock.ms);
  R1().AddTag(1, 0x12345678, clock.ms);
  R1().AddTag(2, 0x00B1FF03, clock.ms);
  EXPECT_EQ(Do(80).second, Bytes{2});
  EXPECT_EQ(Do(83).second, Bytes{1});
  EXPECT_EQ(Do(81).second, (Bytes{0x28, 0x02, 0xA1, 0x00}));
  EXPECT_EQ(Do(82).second, (Bytes{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(Do(82), std::make_pair(std::uint16_t{80}, Bytes{}));
  EXPECT_EQ(Do(82).first, 80);  // stays at the end
  EXPECT_EQ(Do(81).second, (Bytes{0x28, 0x02, 0xA1, 0x00}));  // first restarts the walk
  EXPECT_EQ(Do(84).second, (Bytes{0x03, 0xFF, 0xB1, 0x00}));
  EXPECT_EQ(Do(85).first, 80);
}

TEST_F(ReaderTest, ChangeAddressAnswersFromTheOldAddress) {
  const Answer a = Ask(bus, 1, 30, {0x05, 0xFA});
  EXPECT_EQ(a.pc.result, 0);
  EXPECT_EQ(a.pc.code, 0);
  EXPECT_EQ(a.pc.address, 1);
  EXPECT_FALSE(Ask(bus, 1, 40).replied);
  EXPECT_TRUE(Ask(bus, 5, 40).replied);
  EXPECT_EQ(bus.Selected(), 5);
}

TEST_F(ReaderTest, ChangeAddressRefusals) {
  bus.AddReader(9);
  const Bytes bad[] = {{0x05, 0xFB}, {0x05, 0x05}, {0x00, 0xFF}, {0x09, 0xF6}};  // last: taken by reader 9
  for (const Bytes& b : bad) EXPECT_EQ(Do(30, b).first, 20) << int(b[0]) << " " << int(b[1]);
  EXPECT_EQ(R1().Address(), 1);
  EXPECT_EQ(Do(30, {0x01, 0xFE}).first, 0);  // to its own address: nothing changes
  EXPECT_EQ(Do(30, {0xFF, 0x00}).first, 0);  // 255 is a valid address
  EXPECT_TRUE(Ask(bus, 255, 40).replied);
}

TEST_F(ReaderTest, AuditStore) {
  // Empty store: a reply of no bytes and answer 0.
  EXPECT_EQ(Do(122), std::make_pair(std::uint16_t{0}, Bytes{}));
  R1().state.clock.Set(DateTime{2022, 3, 15, 14, 45, 30, 3}, clock.ms);
  R1().QueueEvent(0x0124, 2, 0x12345678, clock.ms);
  R1().QueueEvent(0x0010, 1, 1, clock.ms);
  EXPECT_EQ(Do(122).second, (Bytes{0x24, 0x01, 0x02, 0x00, 0x78, 0x56, 0x34, 0x12, 0x0F, 0x03, 0xE6, 0x07, 0x1E,
                                   0x2D, 0x0E, 0x00}));
  EXPECT_EQ(Do(120).first, 0);
  EXPECT_EQ(Do(122).second, Bytes{});
  EXPECT_EQ(Do(181, {1}).first, 0);
  EXPECT_TRUE(R1().state.auditMode);
  EXPECT_EQ(Do(181, {0}).first, 0);
  EXPECT_FALSE(R1().state.auditMode);
}

TEST_F(ReaderTest, AuditStoreIsBounded) {
  for (std::size_t i = 0; i < kMaxAuditEvents + 5; ++i) R1().QueueEvent(0x0010, 1, static_cast<std::uint32_t>(i), clock.ms);
  EXPECT_EQ(R1().state.audit.size(), kMaxAuditEvents);
  EXPECT_EQ(R1().state.auditDropped, 5u);
  EXPECT_EQ(Do(122).second[4], 5);  // the oldest five went
}

TEST_F(ReaderTest, SensorsInTheirWireOrder) {
  R1().SetSensor(1, 0, true, clock.ms);   // channel 1 gate
  R1().SetSensor(2, 1, true, clock.ms);   // channel 2 car
  EXPECT_EQ(Do(182).second, (Bytes{1, 0, 0, 1}));
  R1().SetSensor(1, 0, false, clock.ms);
  R1().SetSensor(1, 1, true, clock.ms);
  EXPECT_EQ(Do(182).second, (Bytes{0, 1, 0, 1}));
}

TEST_F(ReaderTest, RadioTestCountsReadsOfTagsInTheField) {
  R1().AddTag(2, 0x00FFFF01, clock.ms);
  // Channel 2, reference 00 FF FF 01, test 00 FF FF 02.
  EXPECT_EQ(Do(183, {0x02, 0x01, 0xFF, 0xFF, 0x00, 0x02, 0xFF, 0xFF, 0x00}).first, 0);
  const RadioTest& r = R1().state.radio;
  EXPECT_TRUE(r.running);
  EXPECT_EQ(r.channel, 2);
  EXPECT_EQ(r.referenceTag, 0x00FFFF01u);
  EXPECT_EQ(r.testTag, 0x00FFFF02u);
  Do(200, {1});
  Do(200, {1});
  R1().AddTag(2, 0x00FFFF02, clock.ms);
  // The stop request is a read too: reference 3, test 1.
  EXPECT_EQ(Do(184).second, (Bytes{0x03, 0x00, 0x01, 0x00}));
  EXPECT_FALSE(r.running);
  Do(200, {1});
  EXPECT_EQ(Do(184).second, (Bytes{0x03, 0x00, 0x01, 0x00}));  // stopped: no more counting
}

TEST_F(ReaderTest, EchoReturnsTheRequestData) {
  Bytes pattern;
  for (int i = 0; i < 64; ++i) pattern.push_back(static_cast<std::uint8_t>(0x20 + i));
  EXPECT_EQ(Do(200, pattern), std::make_pair(std::uint16_t{0}, pattern));
  const Bytes reserved{0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};
  EXPECT_EQ(Do(200, reserved).second, reserved);
}

TEST_F(ReaderTest, ForcedAnswerSkipsTheCommand) {
  R1().state.forcedAnswer = 80;
  R1().state.forcedCount = 2;
  EXPECT_EQ(Do(25, {0x10, 0x00}), std::make_pair(std::uint16_t{80}, Bytes{}));
  EXPECT_EQ(Do(151), std::make_pair(std::uint16_t{80}, Bytes{}));
  EXPECT_EQ(R1().state.tmt[0], 100);
  EXPECT_EQ(Do(27).second, (Bytes{0x64, 0x00}));
  EXPECT_EQ(R1().state.forcedAnswer, 0);
}

TEST_F(ReaderTest, LineBusinessWithoutReplies) {
  bus.AddReader(7);
  EXPECT_FALSE(Ask(bus, 2, 40).replied);  // nobody at 2
  EXPECT_FALSE(Ask(bus, 0, 40).replied);
  Bytes spoiled = EncodeRequest(0, 1, 25, {0x10, 0x00});
  spoiled[6] ^= 0x01;
  bus.Feed(spoiled);
  EXPECT_FALSE(bus.HasOutput());
  EXPECT_EQ(R1().state.tmt[0], 100);  // not carried out
  EXPECT_EQ(Ask(bus, 7, 40).pc.address, 7);
  EXPECT_EQ(bus.Stats().requests, 3u);
  EXPECT_EQ(bus.Stats().unanswered, 2u);
  EXPECT_EQ(bus.Stats().badCrc, 1u);
  EXPECT_EQ(bus.Stats().replies, 1u);
}

TEST_F(ReaderTest, RepliesEchoThePacketNumberEvenWhenEscaped) {
  for (std::uint8_t pn : {0, 1, 0xFA, 0xFE, 0xFF}) {
    const Answer a = Ask(bus, 1, 40, {}, pn);
    EXPECT_EQ(a.pc.result, 0) << int(pn);
  }
}

TEST_F(ReaderTest, PassageEventsFollowTheMode) {
  struct Case {
    std::uint8_t mode;
    int events;
  } cases[] = {{0, 12}, {1, 3}, {2, 8}, {3, 3}, {9, 3}};
  for (const auto& c : cases) {
    R1().state.audit.clear();
    R1().state.block[14] = c.mode;
    EXPECT_EQ(R1().QueuePassage(1, 0xAB, clock.ms), c.events) << int(c.mode);
    ASSERT_EQ(static_cast<int>(R1().state.audit.size()), c.events);
    EXPECT_EQ(R1().state.audit.front()[0], 0x10);                  // new tag first
    EXPECT_EQ(R1().state.audit.front()[4], 0xAB);
    EXPECT_EQ(R1().state.audit.back()[0], 0x11);                   // tag lost last
    EXPECT_EQ(R1().state.audit.back()[12], (c.events - 1) % 60);  // one second apart
  }
}

}  // namespace
}  // namespace q17::sim
