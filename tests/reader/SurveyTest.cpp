#include "reader/Survey.h"

#include "CommandFixture.h"
#include "reader/EchoSpread.h"
#include "reader/SurveyTable.h"

namespace q17::test {
namespace {

const Frame kBlock = Bytes({0xAA, 0x55, 0x0A, 0x05, 0x14, 0x1E, 0x1E, 0x08, 0x0A, 0x05, 0x14, 0x1E, 0x1E, 0x08, 0x03, 0x0A});

class SurveyTest : public Commands {
 protected:
  // Exchange i takes i + 1 ms on a clock that moves only when asked.
  TSurveyEnv Env() {
    TSurveyEnv env;
    env.NowMs = [this] {
      const double t = clock;
      clock += ticks % 2 == 0 ? 1.0 + static_cast<double>(ticks / 2) : 0.0;
      ++ticks;
      return t;
    };
    return env;
  }
  void Echoes(int silentAt = -1) {
    Frame pattern;
    for (int i = 0; i < kSurveyEchoLength; ++i) pattern.push_back(static_cast<std::uint8_t>(0x20 + i));
    for (int i = 0; i < kSurveyEchoCount; ++i) {
      if (i == silentAt) Silence();
      else Reply(0, pattern);
    }
  }
  double clock = 0;
  long ticks = 0;
};

TEST_F(SurveyTest, EveryStepOfAGoodReader) {
  Reply(0, kBlock);
  Reply(0, Bytes({0x2C, 0x01}));
  Reply(0, Bytes({0x64, 0x00}));
  Reply(0, Bytes({5}));
  Reply(0, Bytes({31}));
  Echoes();
  const auto r = SurveyReader(list, 1, "2xQ17 v1.0", Env());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Address, 1);
  EXPECT_EQ(r->Version, "2xQ17 v1.0");
  EXPECT_EQ(r->Mode, std::optional<std::uint8_t>(OnTheFly));
  EXPECT_EQ(r->TMT_1, std::optional<std::uint16_t>(300));
  EXPECT_EQ(r->TMT_2, std::optional<std::uint16_t>(100));
  EXPECT_EQ(r->ATT_1, std::optional<std::uint8_t>(5));
  EXPECT_EQ(r->ATT_2, std::optional<std::uint8_t>(31));
  EXPECT_EQ(r->EchoErrors, 0);
  // Times 1..20 ms: the nearest-rank 95th is the 19th, to within a bucket.
  ASSERT_TRUE(r->EchoP95Ms);
  EXPECT_GE(*r->EchoP95Ms, 19.0);
  EXPECT_LE(*r->EchoP95Ms, 19.0 + TEchoSpread::kBucketMs * 1.001);
  EXPECT_EQ(r->ErrorCode, 0);
  const int codes[] = {cmd::ReadConfig, cmd::ReadTagMemTime1, cmd::ReadTagMemTime2, cmd::ReadAtten1, cmd::ReadAtten2};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(Request(i).first, codes[i]);
  EXPECT_EQ(Request(5).first, cmd::Echo);
  EXPECT_EQ(Request(5).second.size(), static_cast<std::size_t>(kSurveyEchoLength));
  EXPECT_EQ(Sent(), 5u + kSurveyEchoCount);
}

TEST_F(SurveyTest, AFailedStepIsNotedAndTheOthersStillRun) {
  Reply(0, kBlock);
  Reply(0, Bytes({0x2C, 0x01}));
  Silence();         // TMT_2
  Reply(20);         // ATT_1: the reader refuses
  Reply(0, Bytes({7}));
  Echoes(3);
  const auto r = SurveyReader(list, 1, "", Env());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->TMT_1, std::optional<std::uint16_t>(300));
  EXPECT_FALSE(r->TMT_2);
  EXPECT_FALSE(r->ATT_1);
  EXPECT_EQ(r->ATT_2, std::optional<std::uint8_t>(7));
  EXPECT_EQ(r->EchoErrors, 1);
  EXPECT_EQ(r->ErrorCode, rcTimeout);  // the first failure, not a later one
  EXPECT_EQ(Sent(), 5u + kSurveyEchoCount);
}

TEST_F(SurveyTest, AStopLeavesNoRecord) {
  Reply(0, kBlock);
  for (int i = 0; i < 4; ++i) Reply(0, Bytes({1, 0}));
  Echoes();
  TSurveyEnv env = Env();
  int asked = 0;
  env.StopRequested = [&asked] { return ++asked > 3; };
  EXPECT_FALSE(SurveyReader(list, 1, "", env));
  EXPECT_LT(Sent(), 5u + kSurveyEchoCount);
}

TEST_F(SurveyTest, AnAddressThatAnswersBadlyIsARowAndAnUnplugEndsTheSurvey) {
  serial.line.AnswerNextWrite(ReplyFrame(0, 1, 201, {}));  // 1 refuses its version
  nextPacketNo = 2;
  Reply(0, Bytes({'V', '2'}));
  Reply(0, kBlock);
  for (int i = 0; i < 4; ++i) Reply(0, Bytes({1, 0}));
  Echoes();
  TSurveyEnv env = Env();
  // Unplugged after the third echo.
  env.StopRequested = [this] {
    if (Sent() >= 10) serial.gone = true;
    return false;
  };
  std::vector<TSurveyRecord> records;
  const TSurveyTotals totals = Survey(list, 1, 3, env, [&](const TSurveyRecord& r) {
    records.push_back(r);
    return true;
  });
  EXPECT_TRUE(totals.DeviceGone);
  EXPECT_EQ(totals.Answered, 2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Address, 1);
  EXPECT_EQ(records[0].ErrorCode, 201);
  EXPECT_FALSE(records[0].Version);
  EXPECT_FALSE(records[0].Mode);
  EXPECT_EQ(records[0].EchoSent, 0);
  EXPECT_EQ(records[1].Version, "V2");  // whole, as the reader sent it
  EXPECT_EQ(records[1].EchoSent, 3);
  EXPECT_EQ(records[1].EchoErrors, 0);
  EXPECT_EQ(records[1].ErrorCode, rcPortClosed);
  EXPECT_EQ(Sent(), 10u);  // nothing after the unplug, address 3 never asked
}

// The window closes the port of a device that went while it is asked for a
// stop: the reader in progress keeps its row, as q17ctl lists it.
TEST_F(SurveyTest, AStopThatComesWithThePortsLossKeepsTheReadersRecord) {
  Reply(0, Bytes({'V', ' '}));
  Reply(0, kBlock);
  Reply(0, Bytes({0x2C, 0x01}));
  TSurveyEnv env = Env();
  env.StopRequested = [this] {
    if (Sent() < 3) return false;
    list.Close();
    return true;
  };
  std::vector<TSurveyRecord> records;
  const TSurveyTotals totals = Survey(list, 1, 5, env, [&](const TSurveyRecord& r) {
    records.push_back(r);
    return true;
  });
  EXPECT_TRUE(totals.DeviceGone);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Version, "V ");
  EXPECT_EQ(records[0].Mode, std::optional<std::uint8_t>(OnTheFly));
  EXPECT_EQ(records[0].TMT_1, std::optional<std::uint16_t>(300));
  EXPECT_FALSE(records[0].TMT_2);
  EXPECT_EQ(records[0].EchoSent, 0);
  EXPECT_EQ(records[0].ErrorCode, rcPortClosed);
  EXPECT_EQ(Sent(), 3u);
}

TEST(SurveyTable, ReaderTextsEscapedAndNoEchoFiguresWhereNoEchoWentOut) {
  TSurveyRecord r;
  r.Address = 9;
  r.Version = std::string("v1\0\x1B[2J\r", 8);
  r.ErrorCode = rcTimeout;
  EXPECT_EQ(SurveyFields(r), (std::vector<std::string>{"9", "v1\\x00\\x1B[2J\\x0D", "", "", "", "", "", "", "",
                                                       FormatResult(rcTimeout)}));
  r.EchoSent = 2;
  r.EchoErrors = 2;
  EXPECT_EQ(SurveyFields(r)[7], "2");
}

// "found" after a survey: the readers are written, an address that answered
// not whole is named and left alone, whichever order the records came in.
TEST(SurveyTable, FoundInASurveyIsEveryAddressThatAnswered) {
  std::vector<TSurveyRecord> records(4);
  records[0].Address = 7;
  records[0].Version = "V";
  records[1].Address = 2;
  records[1].ErrorCode = rcBadPacketNo;  // answered the scan, damaged
  records[2].Address = 5;
  records[2].Version = "V";
  records[2].ErrorCode = rcBadParameter;  // a reader whose later step failed
  records[3].Address = 3;
  records[3].Version = "V";
  records[3].ErrorCode = rcPortClosed;  // cut short by an unplug
  const TFoundReaders found = FoundInSurvey(records);
  EXPECT_EQ(found.Readers, (std::vector<int>{3, 5, 7}));
  EXPECT_EQ(found.Targets(), (std::vector<int>{2, 3, 5, 7}));
  EXPECT_EQ(found.NotWhole(2), std::optional<int>(rcBadPacketNo));
  EXPECT_FALSE(found.NotWhole(5));
}

}  // namespace
}  // namespace q17::test
