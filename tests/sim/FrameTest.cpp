#include "Frame.h"

#include <gtest/gtest.h>

#include "PcReceiver.h"

namespace q17::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FrameTest, RequestsMatchTheWorkedExamples) {
  EXPECT_EQ(EncodeRequest(0x00, 1, 40, {}), (Bytes{0xFB, 0x00, 0x01, 0x00, 0x28, 0x00, 0xC5, 0xB0, 0xFD}));
  EXPECT_EQ(EncodeRequest(0xFB, 1, 40, {}),
            (Bytes{0xFB, 0xFA, 0x0B, 0x01, 0x00, 0x28, 0x00, 0x63, 0xFA, 0x0C, 0xFD}));
  EXPECT_EQ(EncodeRequest(0x05, 1, 25, {0x64, 0x00}),
            (Bytes{0xFB, 0x05, 0x01, 0x00, 0x19, 0x02, 0x64, 0x00, 0x82, 0x18, 0xFD}));
}

TEST(FrameTest, ReplyMatchesTheWorkedExample) {
  ReplyLayout r;
  r.packetNo = 0;
  r.address = 1;
  r.code = 0;
  r.data = {0x64, 0x00};
  const Bytes line = EncodeReply(r);
  EXPECT_EQ(line, (Bytes{0xFC, 0x00, 0x01, 0x00, 0x00, 0x02, 0x64, 0x00, 0xD0, 0x44, 0xFE}));
  const auto pc = test::PcReceive(line, 0);
  EXPECT_EQ(pc.result, 0);
  EXPECT_EQ(pc.data, (Bytes{0x64, 0x00}));
}

TEST(FrameTest, EveryByteValueSurvivesEscapingInBothDirections) {
  Bytes all;
  for (int i = 0; i < 128; ++i) all.push_back(static_cast<std::uint8_t>(255 - i));
  for (std::uint8_t pn : {0x00, 0x7F, 0xFA, 0xFB, 0xFF}) {
    RequestDecoder d;
    const Bytes request = EncodeRequest(pn, 0xFE, 200, all);
    RequestDecoder::Result last = RequestDecoder::Result::None;
    for (std::uint8_t b : request) last = d.Push(b);
    ASSERT_EQ(last, RequestDecoder::Result::Request) << int(pn);
    EXPECT_EQ(d.Last().packetNo, pn);
    EXPECT_EQ(d.Last().address, 0xFE);
    EXPECT_EQ(d.Last().data, all);
    EXPECT_EQ(d.Last().lineBytes, request.size());

    ReplyLayout r;
    r.packetNo = pn;
    r.address = 0xFF;
    r.code = 0xFD;
    r.data = all;
    const auto pc = test::PcReceive(EncodeReply(r), pn);
    EXPECT_EQ(pc.result, 0);
    EXPECT_EQ(pc.code, 0xFD);
    EXPECT_EQ(pc.data, all);
  }
}

TEST(FrameTest, TwoByteFieldsFollowTheRequestFlagsRule) {
  RequestDecoder d;
  const Bytes request = EncodeRequest(3, 1, 0x1234, {0xAB}, 0x11);
  // FB pn addr flags code-lo code-hi len-lo len-hi data crc crc FD
  EXPECT_EQ(request[3], 0x11);
  EXPECT_EQ(request[4], 0x34);
  EXPECT_EQ(request[5], 0x12);
  EXPECT_EQ(request[6], 0x01);
  EXPECT_EQ(request[7], 0x00);
  RequestDecoder::Result last = RequestDecoder::Result::None;
  for (std::uint8_t b : request) last = d.Push(b);
  ASSERT_EQ(last, RequestDecoder::Result::Request);
  EXPECT_EQ(d.Last().code, 0x1234);
  EXPECT_EQ(d.Last().data, Bytes{0xAB});

  // Flags 0x30 is not the two-byte code form: one code byte.
  const Bytes narrow = EncodeRequest(3, 1, 0x0028, {}, 0x30);
  for (std::uint8_t b : narrow) last = d.Push(b);
  ASSERT_EQ(last, RequestDecoder::Result::Request);
  EXPECT_EQ(d.Last().code, 0x28);
}

struct DecodeCase {
  const char* name;
  Bytes line;
  RequestDecoder::Result expected;
};

Bytes Good() { return EncodeRequest(0, 1, 40, {}); }
Bytes With(Bytes b, std::size_t at, std::uint8_t value) {
  b[at] = value;
  return b;
}
// Built with reserve + push_back: g++ 12 warns falsely about vector::insert here.
Bytes Cat(const Bytes& a, const Bytes& b) {
  Bytes out;
  out.reserve(a.size() + b.size());
  for (auto x : a) out.push_back(x);
  for (auto x : b) out.push_back(x);
  return out;
}

TEST(FrameTest, DecoderVerdicts) {
  using R = RequestDecoder::Result;
  Bytes tooLong = Good();
  tooLong.insert(tooLong.end() - 1, 0x00);
  Bytes longData(129, 0x11);
  const DecodeCase cases[] = {
      {"good", Good(), R::Request},
      {"noise before start", Cat({0x00, 0x55, 0xFC, 0xFE, 0xFD}, Good()), R::Request},
      {"crc low byte wrong", With(Good(), 6, 0xC4), R::BadCrc},
      {"data byte changed", With(EncodeRequest(0, 1, 200, {1, 2}), 6, 9), R::BadCrc},
      {"ends early", {0xFB, 0x00, 0x01, 0x00, 0x28, 0xFD}, R::Malformed},
      {"extra byte", tooLong, R::Malformed},
      {"escape before end", {0xFB, 0x00, 0x01, 0x00, 0x28, 0x00, 0xC5, 0xFA, 0xFD}, R::Malformed},
      {"reply start inside", With(Good(), 4, 0xFC), R::Malformed},
      {"unescaped FF inside", With(Good(), 4, 0xFF), R::Malformed},
      {"announces 129 bytes", EncodeRequest(0, 1, 200, longData, 0x01), R::Malformed},
  };
  for (const auto& c : cases) {
    RequestDecoder d;
    R last = R::None;
    for (std::uint8_t b : c.line) {
      const R r = d.Push(b);
      if (r != R::None) last = r;
    }
    EXPECT_EQ(last, c.expected) << c.name;
  }
}

TEST(FrameTest, NewStartAbandonsAHalfFrame) {
  using R = RequestDecoder::Result;
  RequestDecoder d;
  for (std::uint8_t b : Bytes{0xFB, 0x00, 0x01}) EXPECT_EQ(d.Push(b), R::None);
  EXPECT_EQ(d.Push(0xFB), R::Malformed);
  const Bytes good = Good();
  R last = R::None;
  for (std::size_t i = 1; i < good.size(); ++i) last = d.Push(good[i]);
  EXPECT_EQ(last, R::Request);
}

TEST(FrameTest, EndlessGarbageInsideAFrameIsBounded) {
  RequestDecoder d;
  d.Push(0xFB);
  for (int i = 0; i < 100000; ++i) d.Push(static_cast<std::uint8_t>(i % 0xFA));
  EXPECT_EQ(d.Push(0xFD), RequestDecoder::Result::Malformed);
  RequestDecoder::Result last = RequestDecoder::Result::None;
  for (std::uint8_t b : Good()) last = d.Push(b);
  EXPECT_EQ(last, RequestDecoder::Result::Request);
}

TEST(FrameTest, CutReplyStopsAfterTheData) {
  ReplyLayout r;
  r.address = 1;
  r.data = {0x64, 0x00};
  r.cutAfterData = true;
  EXPECT_EQ(EncodeReply(r), (Bytes{0xFC, 0x00, 0x01, 0x00, 0x00, 0x02, 0x64, 0x00}));
}

}  // namespace
}  // namespace q17::sim
