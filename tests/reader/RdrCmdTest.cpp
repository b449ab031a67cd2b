#include "reader/RdrCmd.h"

#include <gtest/gtest.h>

#include <tuple>

#include "link/ErrMsg.h"
#include "reader/CommandFixture.h"
#include "reader/Scan.h"
#include "SimSerialApi.h"

namespace q17 {
namespace {

using test::Bytes;
using test::Commands;
using test::Frame;

TEST(CommandState, Defaults) {
  TCommandState s;
  EXPECT_EQ(s.ReaderAddress, 1);
  EXPECT_EQ(s.Config.ToBytes(), (TConfigBytes{0xAA, 0x55, 0x0A, 0x05, 0x14, 0x1E, 0x1E, 0x08, 0x0A, 0x05, 0x14, 0x1E,
                                              0x1E, 0x08, 0x01, 0x0A}));
  EXPECT_EQ(s.TMT_1, 100);
  EXPECT_EQ(s.TMT_2, 100);
  EXPECT_EQ(s.ATT_1, 0);
  EXPECT_EQ(s.ATT_2, 0);
  EXPECT_EQ(s.EtalonTag, "00 B1 FF 01");
  EXPECT_EQ(s.TestTag, "00 B1 FF 03");
}

TEST_F(Commands, WriteTagMemTime1OnTheLine) {
  for (int i = 0; i < 5; ++i) {
    Reply(0);
    ASSERT_EQ(WriteAtten1(s, list), rcOk);
  }
  Reply(0);
  s.TMT_1 = 100;
  EXPECT_EQ(WriteTagMemTime1(s, list), rcOk);
  EXPECT_EQ(serial.line.writes.back(), Bytes({0xFB, 0x05, 0x01, 0x00, 0x19, 0x02, 0x64, 0x00, 0x82, 0x18, 0xFD}));
}

TEST_F(Commands, RequestsAndStoredReplies) {
  const Frame block = Bytes({0xAA, 0x55, 1, 2, 3, 4, 5, 0x80, 6, 7, 8, 9, 10, 0xFF, 7, 25});
  Reply(0, block);
  EXPECT_EQ(ReadConfig(s, list), rcOk);
  EXPECT_EQ(s.Config.ToBytes(), (TConfigBytes{0xAA, 0x55, 1, 2, 3, 4, 5, 0x80, 6, 7, 8, 9, 10, 0xFF, 7, 25}));
  Reply(0);
  EXPECT_EQ(WriteConfig(s, list), rcOk);
  EXPECT_EQ(Request(1), (std::pair<int, Frame>{150, block})) << "unedited bytes go back unchanged";

  Reply(0, Bytes({0x2C, 0x01}));
  EXPECT_EQ(ReadTagMemTime1(s, list), rcOk);
  EXPECT_EQ(s.TMT_1, 300);
  Reply(0, Bytes({0x10, 0x27}));
  EXPECT_EQ(ReadTagMemTime2(s, list), rcOk);
  EXPECT_EQ(s.TMT_2, 10000);
  s.TMT_2 = 100;
  Reply(0);
  EXPECT_EQ(WriteTagMemTime2(s, list), rcOk);
  EXPECT_EQ(Request(4), (std::pair<int, Frame>{26, Bytes({0x64, 0x00})}));

  Reply(0, Bytes({17}));
  EXPECT_EQ(ReadAtten1(s, list), rcOk);
  EXPECT_EQ(s.ATT_1, 17);
  Reply(0, Bytes({31}));
  EXPECT_EQ(ReadAtten2(s, list), rcOk);
  EXPECT_EQ(s.ATT_2, 31);
  Reply(0);
  EXPECT_EQ(WriteAtten2(s, list), rcOk);
  EXPECT_EQ(Request(7), (std::pair<int, Frame>{13, Bytes({31})}));

  EXPECT_EQ(Request(0).first, 151);
  EXPECT_EQ(Request(2).first, 27);
  EXPECT_EQ(Request(3).first, 28);
  EXPECT_EQ(Request(5).first, 18);
  EXPECT_EQ(Request(6).first, 19);
}

TEST_F(Commands, FailuresLeaveTheTargetsUntouched) {
  const TConfigBytes before = s.Config.ToBytes();
  Reply(21, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
  EXPECT_EQ(ReadConfig(s, list), 21) << "the reader's answer code is the result";
  EXPECT_EQ(s.Config.ToBytes(), before);

  Silence();
  EXPECT_EQ(ReadTagMemTime1(s, list), rcTimeout);
  EXPECT_EQ(s.TMT_1, 100);

  s.TagCount1 = 5;
  Silence();
  EXPECT_EQ(ReadTagCount1(s, list), rcTimeout);
  EXPECT_EQ(s.TagCount1, 0) << "the count reads 0 after any failure";

  // A reply too short for what is read: the payload's old bytes are no answer.
  Reply(0, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(ReadConfig(s, list), rcDataError);
  EXPECT_EQ(s.Config.ToBytes(), before);
  Reply(0, Bytes({7}));
  EXPECT_EQ(ReadTagMemTime2(s, list), rcDataError);
  EXPECT_EQ(s.TMT_2, 100);
  TTagCode tag{9, 9, 9, 9};
  Reply(0, Bytes({1, 2, 3}));
  EXPECT_EQ(ReadFirstTag1(s, list, tag), rcDataError);
  EXPECT_EQ(tag, (TTagCode{9, 9, 9, 9}));
}

TEST_F(Commands, ChangeAddressSendsTheComplementAndFollowsTheReader) {
  s.ReaderAddress = 3;
  Reply(21);
  EXPECT_EQ(ChangeAddress(s, list, 5), rcDataError);
  EXPECT_EQ(s.ReaderAddress, 3) << "a refusal leaves the address";
  EXPECT_EQ(serial.line.writes.back()[2], 3) << "the request goes to the old address";
  EXPECT_EQ(Request(0), (std::pair<int, Frame>{30, Bytes({5, 250})}));
  Silence();
  EXPECT_EQ(ChangeAddress(s, list, 5), rcTimeout);
  EXPECT_EQ(s.ReaderAddress, 3);
  Reply(0);
  EXPECT_EQ(ChangeAddress(s, list, 127), rcOk);
  EXPECT_EQ(Request(2), (std::pair<int, Frame>{30, Bytes({127, 128})}));
  EXPECT_EQ(s.ReaderAddress, 127);

  for (int outside : {0, 128, 255, -1, 300}) {
    EXPECT_EQ(ChangeAddress(s, list, outside), rcBadParameter) << outside;
  }
  EXPECT_EQ(Sent(), 3u) << "addresses a reader cannot take never go out";
  EXPECT_EQ(s.ReaderAddress, 127);
}

TEST_F(Commands, VersionText) {
  Reply(0);
  std::string version = "old";
  EXPECT_EQ(ReadVersion(s, list, version), rcOk);
  EXPECT_EQ(version, "");

  // Windows-1251 "Считыватель 2.1" and a terminating blank.
  Reply(0, Bytes({0xD1, 0xF7, 0xE8, 0xF2, 0xFB, 0xE2, 0xE0, 0xF2, 0xE5, 0xEB, 0xFC, ' ', '2', '.', '1', ' '}));
  EXPECT_EQ(ReadVersion(s, list, version), rcOk);
  EXPECT_EQ(version, "Считыватель 2.1 ");

  Reply(80, Bytes({'x'}));
  version = "kept";
  EXPECT_EQ(ReadVersion(s, list, version), 80);
  EXPECT_EQ(version, "kept");
}

TEST_F(Commands, SetDateTimeSendsDateThenTimeOfOneReading) {
  // 5 March 2024, 14:07:09, a Tuesday.
  std::tm t{};
  t.tm_year = 124;
  t.tm_mon = 2;
  t.tm_mday = 5;
  t.tm_hour = 14;
  t.tm_min = 7;
  t.tm_sec = 9;
  t.tm_wday = 2;
  const TReaderMoment m = MomentFromTm(t);
  EXPECT_EQ(m.DayOfWeek, 3);
  Reply(0);
  Reply(0);
  EXPECT_EQ(SetDateTime(s, list, m), rcOk);
  EXPECT_EQ(Request(0), (std::pair<int, Frame>{202, Bytes({0x07, 0xE8, 0x03, 0x05})}));
  EXPECT_EQ(Request(1), (std::pair<int, Frame>{201, Bytes({0x0E, 0x07, 0x09, 0x03})}));

  Reply(20);
  EXPECT_EQ(SetDateTime(s, list, m), 20);
  EXPECT_EQ(Sent(), 3u) << "no time after a refused date";
  Silence();
  EXPECT_EQ(SetDateTime(s, list, m), rcTimeout);
  EXPECT_EQ(Sent(), 4u);
}

TEST_F(Commands, RadioProfilePerChannel) {
  for (int channel : {1, 2, 0, 7}) {
    Reply(0);
    EXPECT_EQ(SetRadioProfile(s, list, RadioProfile, channel), rcOk);
    const auto [code, data] = Request(Sent() - 1);
    EXPECT_EQ(code, channel == 1 ? 10 : 11) << channel;
    EXPECT_EQ(data, Frame(RadioProfile.begin(), RadioProfile.end()));
  }
}

TEST_F(Commands, TagCountsAndTagCodes) {
  Reply(0, Bytes({3}));
  EXPECT_EQ(ReadTagCount2(s, list), rcOk);
  EXPECT_EQ(s.TagCount2, 3);
  TTagCode tag{};
  Reply(0, Bytes({0x28, 0x02, 0xA1, 0x00}));
  EXPECT_EQ(ReadFirstTag1(s, list, tag), rcOk);
  EXPECT_EQ(tag, (TTagCode{0x28, 0x02, 0xA1, 0x00}));
  Reply(80);
  EXPECT_EQ(ReadNextTag1(s, list, tag), rcNoTag);
  EXPECT_EQ(tag, (TTagCode{0x28, 0x02, 0xA1, 0x00}));
  Reply(0, Bytes({1, 2, 3, 4}));
  EXPECT_EQ(ReadFirstTag2(s, list, tag), rcOk);
  Reply(0, Bytes({5, 6, 7, 8}));
  EXPECT_EQ(ReadNextTag2(s, list, tag), rcOk);
  EXPECT_EQ(tag, (TTagCode{5, 6, 7, 8}));
  const int codes[] = {83, 81, 82, 84, 85};
  for (std::size_t i = 0; i < std::size(codes); ++i) EXPECT_EQ(Request(i).first, codes[i]);
}

TEST_F(Commands, RequestsGoToTheLowByteOfTheAddress) {
  s.ReaderAddress = 0x1FE;
  Reply(0);
  ReadAtten1(s, list);
  EXPECT_EQ(serial.line.writes.back()[2], 0xFA);
  EXPECT_EQ(serial.line.writes.back()[3], 0x0E);
}

TEST_F(Commands, ScanNeverTakesALateReplyForTheNextAddress) {
  // Address 3 answers after the time-out, during address 4's exchange.
  Silence();
  serial.line.AnswerNextWrite(test::ReplyFrame(0, 3, 0, {'Q', ' '}));
  std::vector<std::pair<int, int>> results;
  const int found = ScanReaders(s, list, 3, 4, [&](int address, int result, const std::string&) {
    results.emplace_back(address, result);
    return true;
  });
  EXPECT_EQ(found, 0);
  EXPECT_EQ(results, (std::vector<std::pair<int, int>>{{3, rcTimeout}, {4, rcBadPacketNo}}));
  // Every other command keeps the link's rule: after a failure the number repeats.
  Silence();
  const std::uint8_t before = list.PacketNo();
  EXPECT_EQ(ReadConfig(s, list), rcTimeout);
  EXPECT_EQ(list.PacketNo(), before);
}

TEST_F(Commands, BusScanTellsSilenceFromAnyOtherAnswer) {
  const std::string gate = "\xC2\xEE\xF0\xEE\xF2\xE0 2";  // "Ворота 2" in Windows-1251
  serial.line.AnswerNextWrite(test::ReplyFrame(0, 1, 0, Frame(gate.begin(), gate.end())));
  Silence();                                                 // 2: nobody
  Frame damaged = test::ReplyFrame(2, 3, 0, {'Q'});
  damaged[6] ^= 1;                                           // 3: bad CRC
  serial.line.AnswerNextWrite(damaged);
  serial.line.AnswerNextWrite(test::ReplyFrame(3, 4, 201, {}));  // 4: refused
  Silence();                                                 // 5: answers late, during 6's request
  serial.line.AnswerNextWrite(test::ReplyFrame(5, 5, 0, {'L'}));
  serial.line.AnswerNextWrite(test::ReplyFrame(7, 6, 0, {'S'}));  // 6, asked again
  Frame cut = test::ReplyFrame(8, 7, 0, {'C', 'C'});
  cut.resize(cut.size() - 3);                                // 7: no CRC, no end
  serial.line.AnswerNextWrite(cut);
  std::vector<std::tuple<int, TBusAnswer, int, std::string>> seen;
  const int found = ScanBus(s, list, 1, 7, [&](const TBusReply& r) {
    seen.emplace_back(r.Address, r.Answer, r.Result, r.Version);
    return true;
  });
  EXPECT_EQ(found, 2);
  using A = TBusAnswer;
  EXPECT_EQ(seen, (std::vector<std::tuple<int, TBusAnswer, int, std::string>>{
                      {1, A::Reader, 0, "Ворота 2"},
                      {2, A::Silent, rcTimeout, ""},
                      {3, A::Failed, rcTimeout, ""},
                      {4, A::Failed, 201, ""},
                      {5, A::Silent, rcTimeout, ""},
                      {5, A::Failed, rcTimeout, ""},
                      {6, A::Reader, 0, "S"},
                      {7, A::Failed, rcTimeout, ""},
                  }));
  EXPECT_EQ(Sent(), 8u);
  EXPECT_EQ(s.ReaderAddress, 1);
}

// Readers slower than the time-out, answering every request in turn, each
// reply during the next request's exchange: the readers are named slow, and
// no reply of theirs passes for an answer from the address after them.
TEST(BusScan, ReadersSlowerThanTheTimeOutAreNamedNeverTheNextAddress) {
  sim::ReaderBus bus({2, 3});
  ASSERT_EQ(bus.ApplyControl("@2 slow 80").rfind("ok", 0), 0u);
  ASSERT_EQ(bus.ApplyControl("@3 slow 80").rfind("ok", 0), 0u);
  sim::SimSerialApi serial(bus);
  test::FakeD2xxApi d2xx;
  TInterfList list(serial, d2xx);
  list.Refresh();
  ASSERT_EQ(list.Open(0, 0), rcOk);
  TCommandState s;
  std::vector<std::tuple<int, TBusAnswer, int>> seen;
  ScanBus(s, list, 1, 5, [&](const TBusReply& r) {
    seen.emplace_back(r.Address, r.Answer, r.Result);
    return true;
  });
  using A = TBusAnswer;
  EXPECT_EQ(seen, (std::vector<std::tuple<int, TBusAnswer, int>>{{1, A::Silent, rcTimeout},
                                                                  {2, A::Silent, rcTimeout},
                                                                  {2, A::Failed, rcTimeout},
                                                                  {3, A::Failed, rcTimeout},
                                                                  {4, A::Silent, rcTimeout},
                                                                  {5, A::Silent, rcTimeout}}));
  EXPECT_FALSE(list.NumberPerRequest()) << "the link's own rule again after the scan";
}

TEST_F(Commands, BusScanEndsAtAnUnplug) {
  Silence();
  std::vector<std::pair<int, TBusAnswer>> seen;
  ScanBus(s, list, 1, 254, [&](const TBusReply& r) {
    seen.emplace_back(r.Address, r.Answer);
    EXPECT_EQ(r.Result, r.Answer == TBusAnswer::LineGone ? rcPortClosed : rcTimeout);
    serial.gone = true;
    return true;
  });
  EXPECT_EQ(seen, (std::vector<std::pair<int, TBusAnswer>>{{1, TBusAnswer::Silent}, {2, TBusAnswer::LineGone}}));
}

}  // namespace
}  // namespace q17
