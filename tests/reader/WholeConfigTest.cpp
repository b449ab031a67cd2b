#include "reader/WholeConfig.h"

#include <gtest/gtest.h>

#include "reader/CommandFixture.h"

#include <optional>

namespace q17 {
namespace {

using test::Bytes;
using test::Commands;
using test::Frame;

// Read order: block 151, TMT 27, 28, ATT 18, 19.
TEST_F(Commands, ReadWholeConfigStopsAtTheFirstFailureAndNamesItsGroup) {
  struct Case {
    int failAt;  // index of the command that times out, -1: none
    int code;
    TConfigGroup group;
  };
  const Case cases[] = {
      {-1, 0, TConfigGroup::Block},
      {0, rcTimeout, TConfigGroup::Block},
      {1, rcTimeout, TConfigGroup::TagMemTime},
      {2, rcTimeout, TConfigGroup::TagMemTime},
      {3, rcTimeout, TConfigGroup::Atten},
      {4, rcTimeout, TConfigGroup::Atten},
  };
  const Frame replies[] = {Frame(16, 3), Bytes({50, 0}), Bytes({60, 0}), Bytes({7}), Bytes({9})};
  for (const Case& c : cases) {
    TCommandState fresh;
    const std::size_t before = Sent();
    for (int i = 0; i < 5; ++i) {
      if (i == c.failAt) {
        Silence();
        break;
      }
      Reply(0, replies[i]);
    }
    std::vector<int> seen;
    const TConfigReadResult r = ReadWholeConfig(fresh, list, [&](int code) { seen.push_back(code); });
    EXPECT_EQ(r.Code, c.code) << c.failAt;
    if (c.code != 0) {
      EXPECT_EQ(r.Failed, c.group) << c.failAt;
    }
    const std::size_t sent = c.failAt < 0 ? 5 : static_cast<std::size_t>(c.failAt) + 1;
    EXPECT_EQ(Sent() - before, sent) << c.failAt;
    ASSERT_EQ(seen.size(), sent) << "every outcome reaches the sink, the failure included";
    EXPECT_EQ(seen.back(), c.code);
    // What came before the failure stays.
    EXPECT_EQ(fresh.Config.ToBytes()[0], c.failAt == 0 ? 0xAA : 3) << c.failAt;
    EXPECT_EQ(fresh.TMT_1, c.failAt >= 0 && c.failAt <= 1 ? 100 : 50) << c.failAt;
    EXPECT_EQ(fresh.TMT_2, c.failAt >= 0 && c.failAt <= 2 ? 100 : 60) << c.failAt;
    EXPECT_EQ(fresh.ATT_1, c.failAt >= 0 && c.failAt <= 3 ? 0 : 7) << c.failAt;
  }
  const int order[] = {151, 27, 28, 18, 19};
  for (std::size_t i = 0; i < std::size(order); ++i) EXPECT_EQ(Request(i).first, order[i]);
}

TEST_F(Commands, WriteWholeConfigTriesEveryGroupAndSkipsChannel2AfterChannel1) {
  struct Case {
    std::vector<std::uint16_t> answers;  // one per command sent, in order
    std::vector<int> sent;               // command codes that go out
    std::vector<TConfigWriteFailure> failures;
  };
  const Case cases[] = {
      {{0, 0, 0, 0, 0}, {150, 25, 26, 12, 13}, {}},
      // A refused block still writes the tag memory times and attenuations.
      {{21, 0, 0, 0, 0}, {150, 25, 26, 12, 13}, {{TConfigGroup::Block, 21}}},
      {{0, 20, 0, 0}, {150, 25, 12, 13}, {{TConfigGroup::TagMemTime, 20}}},
      {{0, 0, 20, 0, 0}, {150, 25, 26, 12, 13}, {{TConfigGroup::TagMemTime, 20}}},
      {{21, 0, 20, 20}, {150, 25, 26, 12},
       {{TConfigGroup::Block, 21}, {TConfigGroup::TagMemTime, 20}, {TConfigGroup::Atten, 20}}},
  };
  for (const Case& c : cases) {
    const std::size_t before = Sent();
    for (std::uint16_t a : c.answers) Reply(a);
    std::vector<int> seen;
    const auto failures = WriteWholeConfig(s, list, [&](int code) { seen.push_back(code); });
    ASSERT_EQ(failures.size(), c.failures.size());
    for (std::size_t i = 0; i < failures.size(); ++i) {
      EXPECT_EQ(failures[i].Group, c.failures[i].Group);
      EXPECT_EQ(failures[i].Code, c.failures[i].Code);
    }
    ASSERT_EQ(Sent() - before, c.sent.size());
    for (std::size_t i = 0; i < c.sent.size(); ++i) EXPECT_EQ(Request(before + i).first, c.sent[i]);
    EXPECT_EQ(seen, std::vector<int>(c.answers.begin(), c.answers.end()));
  }
}

TEST_F(Commands, WriteWholeConfigSendsNothingNewOnceToldToStopAndJudgesEachCommand) {
  struct Case {
    std::size_t commandsBeforeStop;
    std::vector<std::optional<std::uint16_t>> answers;  // nothing: the reply is lost
    std::vector<TWriteOutcome> outcomes;                 // BLOCK, TMT_1, TMT_2, ATT_1, ATT_2
  };
  using O = TWriteOutcome;
  const Case cases[] = {
      {1, {0}, {O::Written, O::NotWritten, O::NotWritten, O::NotWritten, O::NotWritten}},
      {1, {std::nullopt}, {O::NotKnown, O::NotWritten, O::NotWritten, O::NotWritten, O::NotWritten}},
      {2, {0, 20}, {O::Written, O::NotWritten, O::NotWritten, O::NotWritten, O::NotWritten}},
      {4, {0, 0, 0, std::nullopt}, {O::Written, O::Written, O::Written, O::NotKnown, O::NotWritten}},
      {9, {0, 0, 0, 0, 0}, {O::Written, O::Written, O::Written, O::Written, O::Written}},
  };
  for (const Case& c : cases) {
    const std::size_t before = Sent();
    for (const auto& a : c.answers) a ? Reply(*a) : Silence();
    std::vector<TConfigWriteStep> steps;
    WriteWholeConfig(
        s, list, {}, {}, [&] { return Sent() - before < c.commandsBeforeStop; },
        [&](const TConfigWriteStep& step) { steps.push_back(step); });
    EXPECT_EQ(Sent() - before, c.answers.size());
    ASSERT_EQ(steps.size(), c.outcomes.size());
    const char* names[] = {"BLOCK", "TMT_1", "TMT_2", "ATT_1", "ATT_2"};
    for (std::size_t i = 0; i < steps.size(); ++i) {
      EXPECT_STREQ(steps[i].Name, names[i]);
      EXPECT_EQ(steps[i].Outcome, c.outcomes[i]) << c.commandsBeforeStop << " " << names[i];
    }
  }
}

TEST(WholeConfigMessages, OnePerGroupAndDirection) {
  EXPECT_STREQ(ReadFailureMessage(TConfigGroup::Block), "Ошибка получения конфигурации считыателя!");
  EXPECT_STREQ(ReadFailureMessage(TConfigGroup::TagMemTime), "Ошибка получения времени памяти тага!");
  EXPECT_STREQ(ReadFailureMessage(TConfigGroup::Atten), "Ошибка получения затухания канала!");
  EXPECT_STREQ(WriteFailureMessage(TConfigGroup::Block), "Ошибка записи конфигурации считыателя!");
  EXPECT_STREQ(WriteFailureMessage(TConfigGroup::TagMemTime), "Ошибка установки времени памяти тага!");
  EXPECT_STREQ(WriteFailureMessage(TConfigGroup::Atten), "Ошибка установки аттенюатора!");
}

}  // namespace
}  // namespace q17
