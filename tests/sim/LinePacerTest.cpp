#include "LinePacer.h"

#include <gtest/gtest.h>

namespace q17::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kRequest{0xFB, 0x00, 0x01, 0x00, 0x1B, 0x00, 0x00, 0x00, 0xFD};  // 9 bytes on the line

ReplyChunk Chunk(std::size_t size, std::uint32_t delayMs = 0, std::size_t requestBytes = 9) {
  ReplyChunk c;
  for (std::size_t i = 0; i < size; ++i) c.bytes.push_back(static_cast<std::uint8_t>(i));
  c.delayMs = delayMs;
  c.requestBytes = requestBytes;
  return c;
}

TEST(LinePacerTest, UnpacedReplyLeavesWhole) {
  LinePacer p;
  p.NoteInput(kRequest.data(), kRequest.size(), 500);
  p.Queue(Chunk(11), 500);
  EXPECT_EQ(p.NextDueUs(), 500);
  EXPECT_EQ(p.TakeDue(500).size(), 11u);
  EXPECT_TRUE(p.Idle());
  EXPECT_FALSE(p.NextDueUs());
}

TEST(LinePacerTest, DelayHoldsTheReplyBack) {
  LinePacer p;
  p.Queue(Chunk(11, 30), 1000);
  EXPECT_TRUE(p.TakeDue(30999).empty());
  EXPECT_EQ(p.NextDueUs(), 31000);
  EXPECT_EQ(p.TakeDue(31000).size(), 11u);
}

TEST(LinePacerTest, PacedReplyWaitsForTheRequestAndThenGoesByteByByte) {
  LinePacer p(9600);
  p.NoteInput(kRequest.data(), kRequest.size(), 0);
  p.Queue(Chunk(11), 100);
  // The request takes 9 x 10 bits at 9600 baud: 9375 us; each byte 1042 us more.
  EXPECT_TRUE(p.TakeDue(10416).empty());
  EXPECT_EQ(p.NextDueUs(), 10417);
  EXPECT_EQ(p.TakeDue(10417), Bytes{0});
  EXPECT_EQ(p.TakeDue(20833).size(), 9u);
  EXPECT_EQ(p.NextDueUs(), 9375 + 11459);
  EXPECT_EQ(p.TakeDue(20834), Bytes{10});
  EXPECT_TRUE(p.Idle());
}

TEST(LinePacerTest, ScheduleDoesNotDriftWithIrregularWakeUps) {
  LinePacer p(115200);
  p.NoteInput(kRequest.data(), kRequest.size(), 0);
  p.Queue(Chunk(200), 0);
  const std::int64_t start = (9 * 10'000'000 + 115199) / 115200;
  std::size_t taken = 0;
  std::int64_t t = 0;
  for (int step : {1, 7, 130, 3, 999, 2, 5000, 17, 40, 12000}) {
    t += step;
    taken += p.TakeDue(t).size();
    const std::int64_t expected = t < start ? 0 : std::min<std::int64_t>(200, (t - start) * 115200 / 10'000'000);
    EXPECT_EQ(static_cast<std::int64_t>(taken), expected) << t;
  }
}

TEST(LinePacerTest, WithoutRequestWaitTheReplyStartsAtOnce) {
  LinePacer p(9600, false);
  p.NoteInput(kRequest.data(), kRequest.size(), 0);
  p.Queue(Chunk(2), 0);
  EXPECT_EQ(p.NextDueUs(), 1042);
}

TEST(LinePacerTest, RepliesFollowEachOtherOnTheLine) {
  LinePacer p(9600, false);
  p.Queue(Chunk(3), 0);
  p.Queue(Chunk(2), 0);
  EXPECT_EQ(p.TakeDue(3125).size(), 3u);  // 3 bytes: 3125 us
  EXPECT_EQ(p.NextDueUs(), 3125 + 1042);
  EXPECT_EQ(p.TakeDue(3125 + 2084).size(), 2u);
}

TEST(LinePacerTest, ANewRequestDropsRepliesNotYetStarted) {
  LinePacer p(9600, false);
  p.Queue(Chunk(4), 0);
  p.TakeDue(1100);        // one byte on its way
  p.Queue(Chunk(5, 100), 1100);  // a late one, still silent
  p.NoteInput(kRequest.data(), kRequest.size(), 2000);
  EXPECT_EQ(p.Dropped(), 1u);
  EXPECT_EQ(p.TakeDue(1'000'000).size(), 3u);  // the rest of the started reply only
  EXPECT_TRUE(p.Idle());

  // Bytes that hold no request start drop nothing.
  p.Queue(Chunk(5, 100), 2'000'000);
  const Bytes noise{0x00, 0xFD, 0xFC};
  p.NoteInput(noise.data(), noise.size(), 2'000'001);
  EXPECT_FALSE(p.Idle());

  // A slow reader keeps its turn: its reply still leaves, after the request.
  ReplyChunk slow = Chunk(6, 100);
  slow.keepsTurn = true;
  p.Queue(slow, 2'000'002);
  p.NoteInput(kRequest.data(), kRequest.size(), 2'000'003);
  EXPECT_EQ(p.Dropped(), 2u);
  EXPECT_EQ(p.TakeDue(3'000'000).size(), 6u);
}

}  // namespace
}  // namespace q17::sim
