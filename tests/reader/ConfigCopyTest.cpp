#include "reader/ConfigCopy.h"

#include <gtest/gtest.h>

#include "reader/CommandFixture.h"

namespace q17 {
namespace {

using test::Bytes;
using test::Commands;
using test::Frame;

// The reader's block (mode 3, its own Wiegand interval), five writes, then
// the read-back; the read-back's answers decide the verdict.
TEST_F(Commands, CopyConfigKeepsTheReadersBlockAndJudgesTheReadBack) {
  TConfigBytes own = TReaderConfig{}.ToBytes();
  own[14] = OnTheFly;
  TCommandState wanted;
  wanted.TMT_1 = 50;
  wanted.ATT_2 = 99;  // beyond what a page can show: written as 31
  wanted.Config.Channel[0].WCT = 42;

  struct Case {
    std::uint16_t tmt1Back;
    TCopyVerdict verdict;
  };
  for (const Case c : {Case{50, TCopyVerdict::Verified}, Case{51, TCopyVerdict::Differs}}) {
    TCommandState s;
    s.ReaderAddress = 1;
    const std::size_t before = Sent();
    Reply(0, Frame(own.begin(), own.end()));
    for (int i = 0; i < 5; ++i) Reply(0);
    TReaderConfig expected = TReaderConfig::FromBytes(own.data());
    expected.Channel = wanted.Config.Channel;
    const TConfigBytes written = expected.ToBytes();
    Reply(0, Frame(written.begin(), written.end()));
    Reply(0, Bytes({static_cast<std::uint8_t>(c.tmt1Back), 0}));
    Reply(0, Bytes({100, 0}));
    Reply(0, Bytes({0}));
    Reply(0, Bytes({31}));
    std::vector<int> seen;
    const TConfigCopy copy = CopyConfig(s, list, wanted, {}, [&](int code) { seen.push_back(code); });
    EXPECT_EQ(copy.Verdict, c.verdict);
    EXPECT_EQ(Sent() - before, 11u);
    EXPECT_EQ(seen.size(), 11u);
    EXPECT_EQ(Request(before + 1).second, Frame(written.begin(), written.end()));
    EXPECT_EQ(s.Config.Mode, OnTheFly);
    EXPECT_EQ(s.ATT_2, 31);
    EXPECT_EQ(copy.AsWanted.ATT_2, 99);
  }
}

// Stopped while the first tag memory time is read back: nothing more is
// read, and the reader is written but not verified.
TEST_F(Commands, AStopDuringTheReadBackReadsNothingMore) {
  const TConfigBytes own = TReaderConfig{}.ToBytes();
  TCommandState wanted;
  TCommandState s;
  s.ReaderAddress = 1;
  Reply(0, Frame(own.begin(), own.end()));
  for (int i = 0; i < 5; ++i) Reply(0);
  Reply(0, Frame(own.begin(), own.end()));
  Reply(0, Bytes({100, 0}));
  Reply(0, Bytes({100, 0}));
  const TConfigCopy copy = CopyConfig(s, list, wanted, [this] { return Sent() >= 8; });
  EXPECT_EQ(Sent(), 8u);
  EXPECT_EQ(copy.Verdict, TCopyVerdict::Stopped);
  EXPECT_EQ(CopyOutcomeText(copy), "записана, не проверена (остановлено)");
}

TEST(ConfigCopy, OutcomeTexts) {
  using O = TWriteOutcome;
  const auto steps = [](O a, O b, O c, O d, O e, int code = 0) {
    return std::vector<TConfigWriteStep>{{"BLOCK", a, 0}, {"TMT_1", b, code}, {"TMT_2", c, 0}, {"ATT_1", d, 0},
                                         {"ATT_2", e, 0}};
  };
  struct Case {
    TConfigCopy copy;
    std::string text;
  };
  const auto judged = [](TCopyVerdict verdict, TConfigReadResult read = {}) {
    TConfigCopy copy;
    copy.Verdict = verdict;
    copy.Read = read;
    return copy;
  };
  TConfigCopy silent = judged(TCopyVerdict::ReadFailed, {rcTimeout, TConfigGroup::Block});
  TConfigCopy unread = judged(TCopyVerdict::ReadFailed, {rcBadParameter, TConfigGroup::Block});
  TConfigCopy refused = judged(TCopyVerdict::WriteFailed);
  refused.Steps = steps(O::Written, O::NotWritten, O::NotWritten, O::Written, O::Written, rcBadParameter);
  refused.Failures = {{TConfigGroup::TagMemTime, rcBadParameter}};
  TConfigCopy lost = refused;
  lost.Steps[1].Outcome = O::NotKnown;
  TConfigCopy stoppedEarly = judged(TCopyVerdict::Stopped);
  stoppedEarly.Steps = steps(O::NotWritten, O::NotWritten, O::NotWritten, O::NotWritten, O::NotWritten);
  TConfigCopy stoppedLate = judged(TCopyVerdict::Stopped);
  stoppedLate.Steps = steps(O::Written, O::Written, O::Written, O::Written, O::Written);
  TConfigCopy stoppedMidway = judged(TCopyVerdict::Stopped);
  stoppedMidway.Steps = steps(O::Written, O::NotKnown, O::NotWritten, O::NotWritten, O::NotWritten);
  TConfigCopy unchecked = judged(TCopyVerdict::ReadBackFailed, {rcTimeout, TConfigGroup::Atten});
  const Case cases[] = {
      {TConfigCopy{}, "записана и проверена"},
      {silent, "не отвечает: " + FormatResult(rcTimeout)},
      {unread, "не записана, конфигурация не считана: " + FormatResult(rcBadParameter)},
      {refused, "отказ: " + FormatResult(rcBadParameter) + " (Ошибка установки времени памяти тага!)"},
      {lost, "неизвестно: " + FormatResult(rcBadParameter) + " (Ошибка установки времени памяти тага!)"},
      {stoppedEarly, "не записана (остановлено)"},
      {stoppedLate, "записана, не проверена (остановлено)"},
      {stoppedMidway,
       "неизвестно (остановлено): BLOCK записано, TMT_1 неизвестно, TMT_2 не записано, ATT_1 не записано, "
       "ATT_2 не записано"},
      {unchecked, "записана, проверка не удалась: " + FormatResult(rcTimeout)},
      {judged(TCopyVerdict::Differs), "записана, но считана другая конфигурация"},
  };
  for (const Case& c : cases) EXPECT_EQ(CopyOutcomeText(c.copy), c.text);
}

}  // namespace
}  // namespace q17
