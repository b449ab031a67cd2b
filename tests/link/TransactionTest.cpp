#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "link/Crc16A.h"
#include "link/ErrMsg.h"
#include "link/KvlInterface.h"
#include "support/FakeD2xxApi.h"
#include "support/FakeSerialApi.h"
#include "support/Frames.h"

namespace q17 {
namespace {

using test::Bytes;
using test::LineStep;
using test::ReplyFrame;
using Frame = std::vector<std::uint8_t>;

class Transaction : public ::testing::Test {
 protected:
  void SetUp() override {
    serial.names = {"COM1"};
    list.Refresh();
    ASSERT_EQ(list.Open(0, 0), rcOk);
  }

  // Sends `request` with `command` to `address`; the reply data lands in payload.
  int Run(std::uint16_t command, const Frame& request = {}, int address = 1) {
    // Byte by byte: GCC 12 for Windows takes std::copy of an empty request
    // for a memmove from a null pointer and warns.
    for (std::size_t i = 0; i < request.size(); ++i) payload[i] = request[i];
    code = command;
    length = static_cast<std::uint16_t>(request.size());
    return list.Transaction(address, payload.data(), code, length);
  }

  void Answer(const Frame& bytes) { serial.line.AnswerNextWrite(bytes); }
  void Answer(std::vector<LineStep> steps) { serial.line.AnswerNextWrite(std::move(steps)); }
  const Frame& Sent() const { return serial.line.writes.back(); }
  // Pushes the packet number forward with successful empty exchanges.
  void AdvancePacketNo(int count) {
    for (int i = 0; i < count; ++i) {
      Answer(ReplyFrame(list.PacketNo(), 1, 0, {}));
      ASSERT_EQ(Run(40), rcOk);
    }
  }

  test::FakeSerialApi serial;
  test::FakeD2xxApi d2xx;
  TInterfList list{serial, d2xx};
  std::array<std::uint8_t, kMaxData> payload{};
  std::uint16_t code = 0;
  std::uint16_t length = 0;
};

TEST_F(Transaction, RequestFramesOfTheWorkedExamples) {
  Answer(Bytes({0xFC, 0x00, 0x01, 0x00, 0x00, 0x02, 0x64, 0x00, 0xD0, 0x44, 0xFE}));
  EXPECT_EQ(Run(40), rcOk);
  EXPECT_EQ(Sent(), Bytes({0xFB, 0x00, 0x01, 0x00, 0x28, 0x00, 0xC5, 0xB0, 0xFD}));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(payload[0], 0x64);
  EXPECT_EQ(payload[1], 0x00);

  AdvancePacketNo(0xFB - 1);
  ASSERT_EQ(list.PacketNo(), 0xFB);
  Run(40);  // unanswered: only the frame matters here
  // Packet number and CRC high byte escaped; the CRC escape stays out of the CRC.
  EXPECT_EQ(Sent(), Bytes({0xFB, 0xFA, 0x0B, 0x01, 0x00, 0x28, 0x00, 0x63, 0xFA, 0x0C, 0xFD}));
}

TEST_F(Transaction, DataBytesFromFAUpwardAreEscapedAndCounted) {
  Run(200, Bytes({0xFA, 0xFF, 0x10}));
  const Frame& f = Sent();
  const Frame body = Bytes({0x00, 0x01, 0x00, 0xC8, 0x03, 0xFA, 0x0A, 0xFA, 0x0F, 0x10});
  ASSERT_GE(f.size(), body.size() + 4);
  EXPECT_EQ(Frame(f.begin() + 1, f.begin() + 1 + static_cast<long>(body.size())), body);
  const std::uint16_t crc = CrcOf(body.data(), body.size());
  Frame tail;
  test::PutEscaped(tail, static_cast<std::uint8_t>(crc & 0xFF), nullptr);
  test::PutEscaped(tail, static_cast<std::uint8_t>(crc >> 8), nullptr);
  tail.push_back(0xFD);
  EXPECT_EQ(Frame(f.begin() + 1 + static_cast<long>(body.size()), f.end()), tail);
}

TEST_F(Transaction, TwoByteRequestFieldsWhenFlagsAskForThem) {
  list.SetRequestFlags(0x11);
  Run(0x1234, Bytes({0x55}));
  const Frame& f = Sent();
  EXPECT_EQ(Frame(f.begin(), f.begin() + 8), Bytes({0xFB, 0x00, 0x01, 0x11, 0x34, 0x12, 0x01, 0x00}));
}

TEST_F(Transaction, RepliesThatSucceed) {
  struct Case {
    const char* name;
    std::uint8_t address;
    std::uint8_t flags;
    std::uint16_t code;
    Frame data;
  };
  const Frame all128(128, 0xFE);
  const Case cases[] = {
      {"empty reply", 1, 0, 0, {}},
      {"answer code kept", 1, 0, 80, {}},
      {"escapes in data", 1, 0, 0, Bytes({0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF})},
      {"128 data bytes", 1, 0, 0, all128},
      {"two-byte code and length", 1, 0x11, 0x0150, Bytes({1, 2, 3})},
      {"reply address ignored", 99, 0, 0, Bytes({7})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint8_t packetNo = list.PacketNo();
    Answer(ReplyFrame(packetNo, c.address, c.code, c.data, c.flags));
    ASSERT_EQ(Run(40), rcOk);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(list.ReplyFlags(), c.flags);
    ASSERT_EQ(length, c.data.size());
    EXPECT_EQ(Frame(payload.begin(), payload.begin() + length), c.data);
    EXPECT_EQ(list.PacketNo(), static_cast<std::uint8_t>(packetNo + 1));
  }
}

TEST_F(Transaction, EscapedPacketNumberAndCrcInTheReply) {
  AdvancePacketNo(0xFC);
  Answer(ReplyFrame(0xFC, 1, 0, Bytes({0x11})));
  EXPECT_EQ(Run(40), rcOk);
  EXPECT_EQ(list.EchoPacketNo(), 0xFC);
  // Find a reply whose CRC needs escaping and check it decodes.
  for (int v = 0; v < 256; ++v) {
    Frame f = ReplyFrame(list.PacketNo(), 1, 0, Bytes({v}));
    const bool crcEscaped = f[f.size() - 3] == 0xFA || f[f.size() - 4] == 0xFA;
    if (!crcEscaped || v >= 0xFA) continue;
    Answer(f);
    ASSERT_EQ(Run(40), rcOk) << v;
    EXPECT_EQ(payload[0], v);
    return;
  }
  FAIL() << "no reply with an escaped CRC byte found";
}

TEST_F(Transaction, NoiseAndRestartsBeforeTheReply) {
  Frame noisy = Bytes({0x00, 0x13, 0x55, 0xFC, 0x00, 0x01});  // noise, then a start that breaks off
  const Frame good = ReplyFrame(0, 1, 0, Bytes({9}));
  noisy.insert(noisy.end(), good.begin(), good.end());  // a second start restarts the reply
  Answer(noisy);
  EXPECT_EQ(Run(40), rcOk);
  EXPECT_EQ(payload[0], 9);
}

TEST_F(Transaction, NoiseEndingInAnEscapeDoesNotShiftTheNextFrame) {
  Frame noisy = Bytes({0x31, 0xFA});
  const Frame good = ReplyFrame(0, 1, 0, Bytes({5}));
  noisy.insert(noisy.end(), good.begin(), good.end());
  Answer(noisy);
  EXPECT_EQ(Run(40), rcOk);
}

TEST_F(Transaction, AnEndByteOutsideAWholeFrameIsNoReply) {
  // A frame body without its start byte: the running CRC comes to 0 at the end byte.
  std::uint16_t crc = CrcInit;
  for (auto b : Bytes({0x00, 0x01, 0x00, 0x28, 0x00})) CrcUpdate(crc, b);
  Frame stray = Bytes({0x00, 0x01, 0x00, 0x28, 0x00, crc & 0xFF, crc >> 8, 0xFE});
  Answer(stray);
  EXPECT_EQ(Run(40), rcTimeout);
  EXPECT_EQ(list.PacketNo(), 0);
}

TEST_F(Transaction, FailuresAndWhatTheyLeave) {
  // Bad CRC, then silence: dropped quietly, the exchange times out.
  Frame bad = ReplyFrame(0, 1, 0, Bytes({1, 2}));
  bad[bad.size() - 2] ^= 0x01;
  Answer(bad);
  EXPECT_EQ(Run(40), rcTimeout);
  EXPECT_EQ(list.PacketNo(), 0);

  // A bad frame followed by a good one still succeeds.
  Frame twice = bad;
  const Frame good = ReplyFrame(0, 1, 0, Bytes({3}));
  twice.insert(twice.end(), good.begin(), good.end());
  Answer(twice);
  EXPECT_EQ(Run(40), rcOk);
  EXPECT_EQ(list.PacketNo(), 1);

  // Cut short, no reply at all.
  Frame cut = ReplyFrame(1, 1, 0, Bytes({1, 2, 3}));
  cut.resize(cut.size() - 3);
  Answer(cut);
  EXPECT_EQ(Run(40), rcTimeout);
  Answer(std::vector<LineStep>{});
  EXPECT_EQ(Run(40), rcTimeout);
  EXPECT_EQ(list.PacketNo(), 1);
  EXPECT_EQ(Sent()[1], 1) << "a failed exchange repeats its packet number";
}

TEST_F(Transaction, WrongPacketNumberDrainsUntilSilence) {
  const Frame wrong = ReplyFrame(7, 1, 0, Bytes({1}));
  const Frame lateGood = ReplyFrame(0, 1, 0, Bytes({2}));
  Answer(std::vector<LineStep>{{wrong}, {lateGood}, {}, {ReplyFrame(0, 1, 0, {})}});
  EXPECT_EQ(Run(40), rcBadPacketNo);
  EXPECT_EQ(list.EchoPacketNo(), 7);
  EXPECT_EQ(list.PacketNo(), 0);
  // Everything up to the silence was swallowed, nothing after it.
  EXPECT_FALSE(serial.line.Drained());
  EXPECT_EQ(Run(40), rcOk);
}

TEST_F(Transaction, ALineThatNeverFallsSilentEndsTheExchange) {
  // Noise without a start byte, far longer than any reply.
  Answer(Frame(20000, 0x55));
  EXPECT_EQ(Run(40), rcTimeout);
  EXPECT_EQ(list.PacketNo(), 0);
}

TEST_F(Transaction, DrainingAfterAWrongPacketNumberGivesUpOnEndlessChatter) {
  Frame wrong = ReplyFrame(9, 1, 0, {});
  wrong.insert(wrong.end(), 20000, 0x33);
  Answer(wrong);
  EXPECT_EQ(Run(40), rcBadPacketNo);
}

TEST_F(Transaction, OversizeReplyIsRefusedAtItsLengthField) {
  Frame big = ReplyFrame(0, 1, 0, Frame(129, 0x01));
  Answer(big);
  EXPECT_EQ(Run(40), rcBufferOverflow);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(list.PacketNo(), 0);
  // The rest of that reply is skipped as noise before the next one.
  Answer(ReplyFrame(0, 1, 0, Bytes({6})));
  EXPECT_EQ(Run(40), rcOk);
  EXPECT_EQ(payload[0], 6);

  Answer(ReplyFrame(1, 1, 0, {}, 0x01, 300));
  EXPECT_EQ(Run(40), rcBufferOverflow);
}

TEST_F(Transaction, BytesAfterAReplyWaitForTheNextTransaction) {
  Frame two = ReplyFrame(0, 1, 0, Bytes({1}));
  const Frame second = ReplyFrame(1, 1, 0, Bytes({2}));
  two.insert(two.end(), second.begin(), second.end());
  Answer(two);
  EXPECT_EQ(Run(40), rcOk);
  EXPECT_EQ(payload[0], 1);
  EXPECT_EQ(Run(40), rcOk);  // nothing new on the line: the kept bytes answer it
  EXPECT_EQ(payload[0], 2);
}

TEST_F(Transaction, PacketNumberWrapsAfter255) {
  AdvancePacketNo(255);
  EXPECT_EQ(list.PacketNo(), 255);
  AdvancePacketNo(1);
  EXPECT_EQ(list.PacketNo(), 0);
}

TEST_F(Transaction, PortProblems) {
  serial.writeError = true;
  EXPECT_EQ(Run(40), rcWriteError);
  serial.writeError = false;
  serial.shortWrite = true;
  EXPECT_EQ(Run(40), rcWriteError);
  serial.shortWrite = false;
  serial.readError = true;
  EXPECT_EQ(Run(40), rcTimeout);
  serial.readError = false;

  list.Close();
  const auto writes = serial.line.writes.size();
  EXPECT_EQ(Run(40), rcPortClosed);
  EXPECT_EQ(serial.line.writes.size(), writes) << "nothing is written with no port open";
}

TEST_F(Transaction, RequestsTooLargeAreRefusedBeforeAnythingIsSent) {
  const auto writes = serial.line.writes.size();
  std::array<std::uint8_t, kMaxData> all{};
  all.fill(0xFF);  // every byte escaped: 2 * 128 bytes cannot fit the frame
  payload = all;
  code = 200;
  length = 128;
  EXPECT_EQ(list.Transaction(1, payload.data(), code, length), rcBufferOverflow);
  EXPECT_EQ(length, 0);
  code = 200;
  length = 129;
  EXPECT_EQ(list.Transaction(1, payload.data(), code, length), rcBufferOverflow);
  code = 200;
  length = 0xFFFF;
  EXPECT_EQ(list.Transaction(1, payload.data(), code, length), rcBufferOverflow);
  EXPECT_EQ(serial.line.writes.size(), writes);

  // 120 bytes always fit, even fully escaped.
  Answer(ReplyFrame(0, 1, 0, {}));
  code = 200;
  length = 120;
  EXPECT_EQ(list.Transaction(1, payload.data(), code, length), rcOk);
  EXPECT_LE(Sent().size(), kFrameBufferSize);
}

TEST_F(Transaction, WaitsOnThePortWithTheReadTimeout) {
  list.SetReadTimeout(120);
  Answer(std::vector<LineStep>{});
  Run(40);
  EXPECT_EQ(serial.lastWaitMs, 120);
}

// Behind a network serial server, where lag is the rule, a failed exchange
// keeps its number as everywhere, but no reply to an earlier request under
// that number passes for the answer to the next one. A local line keeps
// reading what waits in the port first.
class NetworkTransaction : public Transaction {
 protected:
  void SetUp() override {
    serial.network = true;
    serial.allowanceMs = 20;
    Transaction::SetUp();
  }
};

TEST_F(NetworkTransaction, ALateReplyDoesNotAnswerTheNextRequestUnderItsNumber) {
  enum Step { Silence, LateOk, Refused };
  struct Case {
    const char* what;
    bool network;
    std::vector<Step> first;   // the line after the first request
    std::vector<Step> second;  // after the second, which repeats its number
    std::uint16_t code;        // the second's answer code
  };
  const Case cases[] = {
      {"late in the quiet after the time-out", true, {Silence, LateOk}, {Refused}, 20},
      {"late after the quiet, before the second reply", true, {}, {LateOk, Refused}, 20},
      {"the one reply after silence answers the second", true, {}, {Refused}, 20},
      {"a local line reads what waits first", false, {Silence, LateOk}, {Refused}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    serial.network = c.network;
    list.Close();
    ASSERT_EQ(list.Open(0, 0), rcOk);
    const std::uint8_t number = list.PacketNo();
    const auto line = [&](const std::vector<Step>& steps) {
      std::vector<LineStep> out;
      for (const Step step : steps) {
        out.push_back({step == Silence ? Frame{} : ReplyFrame(number, 1, step == Refused ? 20 : 0, {})});
      }
      return out;
    };
    Answer(line(c.first));
    EXPECT_EQ(Run(150), rcTimeout);
    Answer(line(c.second));
    EXPECT_EQ(Run(25), rcOk);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(Sent()[1], number) << "the failed exchange's number repeats";
    while (!serial.line.Drained()) Run(40);
  }
}

// The same exchange through an FTDI adapter: queue status, read time-out, write.
TEST(TransactionFtdi, ExchangesThroughD2xx) {
  test::FakeSerialApi serial;
  test::FakeD2xxApi d2xx;
  d2xx.devices.push_back(test::FakeD2xxApi::Device(0x5A17, "USB RS-485", "AB\x14\x0C" "E\x11\x3A\x25"));
  TInterfList list{serial, d2xx};
  list.Refresh();
  ASSERT_EQ(list.Open(0, 0), rcOk);
  d2xx.line.AnswerNextWrite(std::vector<LineStep>{{}});
  d2xx.line.AnswerNextWrite(ReplyFrame(0, 1, 0, Bytes({4, 5})));
  std::array<std::uint8_t, kMaxData> payload{};
  std::uint16_t code = 40;
  std::uint16_t length = 0;
  // First write: silence, time-out.
  EXPECT_EQ(list.Transaction(1, payload.data(), code, length), rcTimeout);
  code = 40;
  length = 0;
  EXPECT_EQ(list.Transaction(1, payload.data(), code, length), rcOk);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(payload[1], 5);
  EXPECT_EQ(d2xx.line.writes.front(), Bytes({0xFB, 0x00, 0x01, 0x00, 0x28, 0x00, 0xC5, 0xB0, 0xFD}));
  // The driver waits for the first byte the per-byte time-out plus the
  // request's own wire time (9 bytes at 9600 baud: 10 ms).
  ASSERT_GE(d2xx.timeouts.size(), 2u);
  EXPECT_EQ(d2xx.timeouts[1].first, 60u);

  d2xx.readFails = true;
  code = 40;
  length = 0;
  EXPECT_EQ(list.Transaction(1, payload.data(), code, length), rcTimeout);
  d2xx.readFails = false;
  d2xx.writeFails = true;
  EXPECT_EQ(list.Transaction(1, payload.data(), code, length), rcWriteError);
}

}  // namespace
}  // namespace q17
