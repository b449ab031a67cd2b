// Each line fault: its bytes, and what the PC's receiver makes of them.
#include "Faults.h"

#include <gtest/gtest.h>

#include "BusHelpers.h"

namespace q17::sim {
namespace {

using test::Ask;
using test::Bytes;
using test::PcReceive;

const Bytes kCleanTmt{0xFC, 0x00, 0x01, 0x00, 0x00, 0x02, 0x64, 0x00, 0xD0, 0x44, 0xFE};

struct OutcomeCase {
  FaultKind kind;
  int pcResult;
};

TEST(FaultsTest, EachFaultGivesThePcItsResult) {
  const OutcomeCase cases[] = {
      {FaultKind::Noise, 0},    {FaultKind::BadCrc, 6},  {FaultKind::PacketNo, 9}, {FaultKind::Oversize, 8},
      {FaultKind::Flags11, 0},  {FaultKind::NoReply, 6}, {FaultKind::Cut, 6},
  };
  for (const auto& c : cases) {
    ReaderBus bus;
    bus.GetFaults().SetNext(c.kind, 1);
    const auto a = Ask(bus, 1, 27);
    EXPECT_EQ(a.pc.result, c.pcResult) << FaultName(c.kind);
    if (c.pcResult == 0) {
      EXPECT_EQ(a.pc.data, (Bytes{0x64, 0x00})) << FaultName(c.kind);
    }
    EXPECT_EQ(bus.GetFaults().Injected(c.kind), 1u);
    // One-shot: the next reply is clean again.
    EXPECT_EQ(Ask(bus, 1, 27).line, kCleanTmt) << FaultName(c.kind);
  }
}

TEST(FaultsTest, BytesOfEachFault) {
  ReaderBus bus;
  Faults& f = bus.GetFaults();

  f.SetNext(FaultKind::BadCrc, 1);
  Bytes expected = kCleanTmt;
  expected[8] ^= 0x01;
  EXPECT_EQ(Ask(bus, 1, 27).line, expected);

  f.SetNext(FaultKind::PacketNo, 1);
  EXPECT_EQ(Ask(bus, 1, 27).line[1], 0x01);

  f.SetNext(FaultKind::Flags11, 1);
  const Bytes wide = Ask(bus, 1, 27).line;
  EXPECT_EQ(Bytes(wide.begin(), wide.begin() + 10),
            (Bytes{0xFC, 0x00, 0x01, 0x11, 0x00, 0x00, 0x02, 0x00, 0x64, 0x00}));

  f.SetNext(FaultKind::Cut, 1);
  EXPECT_EQ(Ask(bus, 1, 27).line, Bytes(kCleanTmt.begin(), kCleanTmt.begin() + 8));

  f.SetNext(FaultKind::NoReply, 1);
  EXPECT_FALSE(Ask(bus, 1, 27).replied);

  f.SetNext(FaultKind::Noise, 1);
  const Bytes noisy = Ask(bus, 1, 27).line;
  ASSERT_GT(noisy.size(), kCleanTmt.size());
  const std::size_t noise = noisy.size() - kCleanTmt.size();
  EXPECT_LE(noise, 8u);
  for (std::size_t i = 0; i < noise; ++i) EXPECT_LT(noisy[i], 0xFA);
  EXPECT_EQ(Bytes(noisy.begin() + static_cast<long>(noise), noisy.end()), kCleanTmt);

  f.SetNext(FaultKind::Oversize, 1);
  const Bytes big = Ask(bus, 1, 27).line;
  EXPECT_EQ(big[5], 129);
  EXPECT_EQ(big[6], 0x64);
  EXPECT_EQ(big.back(), 0xFE);
  EXPECT_EQ(PcReceive(big, 0).result, 8);
}

TEST(FaultsTest, DelayIsAskedOfTheLine) {
  ReaderBus bus;
  bus.GetFaults().SetDelayMs(35);
  bus.GetFaults().SetOn(FaultKind::Delay, true);
  bus.Feed(EncodeRequest(0, 1, 27, {}));
  auto chunk = bus.TakeChunk();
  ASSERT_TRUE(chunk);
  EXPECT_EQ(chunk->delayMs, 35u);
  EXPECT_EQ(chunk->bytes, kCleanTmt);
  EXPECT_EQ(chunk->requestBytes, 9u);
}

TEST(FaultsTest, OversizeRestIsSkippedByTheNextTransaction) {
  // The PC stops at the length field; the rest waits in the port and must
  // not pass for a reply when the next transaction reads it first.
  for (std::uint16_t code : {27, 151, 40, 200}) {
    ReaderBus bus;
    bus.GetFaults().SetNext(FaultKind::Oversize, 1);
    const Bytes big = Ask(bus, 1, code, code == 200 ? Bytes{0xFE, 0xFD} : Bytes{}).line;
    const auto first = PcReceive(big, 0);
    ASSERT_EQ(first.result, 8);
    Bytes next(big.begin() + static_cast<long>(first.consumed), big.end());
    const Bytes good = Ask(bus, 1, 27).line;
    next.insert(next.end(), good.begin(), good.end());
    const auto second = PcReceive(next, 0);
    EXPECT_EQ(second.result, 0) << code;
    EXPECT_EQ(second.data, (Bytes{0x64, 0x00})) << code;
  }
}

TEST(FaultsTest, PersistentAndOneShotModes) {
  ReaderBus bus;
  Faults& f = bus.GetFaults();
  f.SetOn(FaultKind::BadCrc, true);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Ask(bus, 1, 27).pc.result, 6);
  f.SetOn(FaultKind::BadCrc, false);
  EXPECT_EQ(Ask(bus, 1, 27).pc.result, 0);
  f.SetNext(FaultKind::PacketNo, 2);
  EXPECT_EQ(Ask(bus, 1, 27).pc.result, 9);
  EXPECT_EQ(Ask(bus, 1, 27).pc.result, 9);
  EXPECT_EQ(Ask(bus, 1, 27).pc.result, 0);
  EXPECT_EQ(f.Injected(FaultKind::BadCrc), 3u);
  EXPECT_EQ(f.Injected(FaultKind::PacketNo), 2u);
  EXPECT_EQ(f.InjectedTotal(), 5u);
  EXPECT_EQ(f.Replies(), 7u);
  // Requests nobody answers use up no one-shot fault.
  f.SetNext(FaultKind::Cut, 1);
  EXPECT_FALSE(Ask(bus, 9, 27).replied);
  EXPECT_EQ(Ask(bus, 1, 27).pc.result, 6);
}

TEST(FaultsTest, NoReplyMasksTheOthersAndTheCommandIsStillCarriedOut) {
  ReaderBus bus;
  Faults& f = bus.GetFaults();
  f.SetOn(FaultKind::NoReply, true);
  f.SetOn(FaultKind::Noise, true);
  EXPECT_FALSE(Ask(bus, 1, 25, {0x2C, 0x01}).replied);
  EXPECT_EQ(bus.Reader(1)->state.tmt[0], 300);
  EXPECT_EQ(f.Injected(FaultKind::NoReply), 1u);
  EXPECT_EQ(f.Injected(FaultKind::Noise), 0u);
  f.AllOff();
  EXPECT_EQ(Ask(bus, 1, 27).line, (Bytes{0xFC, 0x00, 0x01, 0x00, 0x00, 0x02, 0x2C, 0x01, 0x27, 0x84, 0xFE}));
}

TEST(FaultsTest, CombinedFaultsStillDecodeAsExpected) {
  ReaderBus bus;
  Faults& f = bus.GetFaults();
  f.SetOn(FaultKind::Noise, true);
  f.SetOn(FaultKind::Flags11, true);
  auto a = Ask(bus, 1, 151);
  EXPECT_EQ(a.pc.result, 0);
  EXPECT_EQ(a.pc.data.size(), 16u);
  f.SetOn(FaultKind::Oversize, true);
  EXPECT_EQ(Ask(bus, 1, 151).pc.result, 8);  // a two-byte length of 129
}

// The kinds of the faulted replies, in order, for a random run.
std::vector<std::pair<int, Bytes>> RandomRun(std::uint32_t seed, int replies, unsigned every) {
  ReaderBus bus;
  bus.GetFaults().SetRandom(every, seed, Faults::DefaultRandomKinds());
  std::vector<std::pair<int, Bytes>> out;
  for (int i = 0; i < replies; ++i) {
    const auto a = Ask(bus, 1, 40, {}, static_cast<std::uint8_t>(i));
    out.push_back({a.pc.result, a.line});
  }
  return out;
}

TEST(FaultsTest, RandomModeIsOneInEveryKAndReproducible) {
  ReaderBus bus;
  Faults& f = bus.GetFaults();
  ASSERT_TRUE(f.SetRandom(10, 42, Faults::DefaultRandomKinds()));
  int failures = 0;
  for (int i = 0; i < 200; ++i) {
    const auto a = Ask(bus, 1, 40, {}, static_cast<std::uint8_t>(i));
    if (a.pc.result != 0) ++failures;
  }
  EXPECT_EQ(f.Replies(), 200u);
  EXPECT_EQ(f.InjectedTotal(), 20u);  // exactly one in each block of 10
  EXPECT_EQ(f.Injected(FaultKind::Delay), 0u);
  // The PC-visible failures are the injected faults that are not harmless.
  EXPECT_EQ(static_cast<std::uint64_t>(failures),
            f.InjectedTotal() - f.Injected(FaultKind::Noise) - f.Injected(FaultKind::Flags11));

  EXPECT_EQ(RandomRun(7, 100, 5), RandomRun(7, 100, 5));
  EXPECT_NE(RandomRun(7, 100, 5), RandomRun(8, 100, 5));
}

TEST(FaultsTest, RandomModeWithChosenKinds) {
  ReaderBus bus;
  Faults& f = bus.GetFaults();
  EXPECT_FALSE(f.SetRandom(0, 1, {FaultKind::Cut}));
  EXPECT_FALSE(f.SetRandom(3, 1, {}));
  ASSERT_TRUE(f.SetRandom(1, 99, {FaultKind::Cut}));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Ask(bus, 1, 40).pc.result, 6);
  EXPECT_EQ(f.Injected(FaultKind::Cut), 5u);
  f.RandomOff();
  EXPECT_EQ(Ask(bus, 1, 40).pc.result, 0);
}

TEST(FaultsTest, NamesRoundTrip) {
  for (int i = 0; i < kFaultKindCount; ++i) {
    const auto k = static_cast<FaultKind>(i);
    EXPECT_EQ(ParseFaultKind(FaultName(k)), k);
  }
  EXPECT_FALSE(ParseFaultKind("crc"));
  EXPECT_FALSE(ParseFaultKind(""));
}

}  // namespace
}  // namespace q17::sim
