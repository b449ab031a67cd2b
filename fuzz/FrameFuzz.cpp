// The frame codec on its own. Any byte stream fed to the reply decoder stays
// within the data area and ends in one of its outcomes; any request the
// encoder accepts decodes back to the same fields and data.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "link/FrameCodec.h"

namespace {

void DecodeStream(const std::uint8_t* bytes, std::size_t size) {
  std::uint8_t data[q17::kMaxData] = {};
  q17::TReplyDecoder decoder(bytes[0], data);
  const q17::TReplyFields& fields = decoder.Fields();
  std::size_t at = 1;
  q17::TReplyStep step = q17::TReplyStep::More;
  while (step == q17::TReplyStep::More && at < size) step = decoder.Feed(bytes[at++]);
  if (step == q17::TReplyStep::Complete && fields.Length > q17::kMaxData) std::abort();
  if (step == q17::TReplyStep::WrongPacketNo && fields.EchoPacketNo == bytes[0]) std::abort();

  // A run fed at once ends where the byte-by-byte feed ended, with the same result.
  std::uint8_t runData[q17::kMaxData] = {};
  q17::TReplyDecoder run(bytes[0], runData);
  std::size_t used = 0;
  const q17::TReplyStep runStep = run.Feed(bytes + 1, size - 1, used);
  const q17::TReplyFields& r = run.Fields();
  if (runStep != step || used + 1 != at || r.EchoPacketNo != fields.EchoPacketNo || r.Flags != fields.Flags ||
      r.Code != fields.Code || r.Length != fields.Length || std::memcmp(runData, data, sizeof data) != 0) {
    std::abort();
  }
}

// A request frame turned into a reply frame (only the start and end bytes
// differ) must decode to what was encoded.
void RoundTrip(const std::uint8_t* bytes, std::size_t size) {
  if (size < 6) return;
  static constexpr std::uint8_t kFlags[] = {0x00, 0x01, 0x10, 0x11};
  q17::TRequest request;
  request.PacketNo = bytes[0];
  request.Address = bytes[1];
  request.Flags = kFlags[bytes[2] & 3];
  request.Code = static_cast<std::uint16_t>(bytes[3] | (bytes[4] << 8));
  request.Data = bytes + 5;
  request.Length = static_cast<std::uint16_t>(std::min<std::size_t>(size - 5, q17::kMaxData));
  q17::TFrameBuffer frame;
  const std::size_t n = q17::EncodeRequest(request, frame);
  if (n == 0) {
    if (request.Length <= 120) std::abort();  // 120 bytes always fit, even fully escaped
    return;
  }
  if (frame[0] != q17::kRequestStart || frame[n - 1] != q17::kRequestEnd) std::abort();
  frame[0] = q17::kReplyStart;
  frame[n - 1] = q17::kReplyEnd;

  std::uint8_t data[q17::kMaxData];
  q17::TReplyDecoder decoder(request.PacketNo, data);
  const q17::TReplyFields& fields = decoder.Fields();
  q17::TReplyStep step = q17::TReplyStep::More;
  for (std::size_t i = 0; i < n && step == q17::TReplyStep::More; ++i) step = decoder.Feed(frame[i]);
  if (step != q17::TReplyStep::Complete) std::abort();
  const std::uint16_t code = (request.Flags & 0x10) ? request.Code : (request.Code & 0xFF);
  const std::uint16_t length = (request.Flags & 0x01) ? request.Length : (request.Length & 0xFF);
  if (fields.Flags != request.Flags || fields.Code != code || fields.Length != length) std::abort();
  if (std::memcmp(data, request.Data, length) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 2) return 0;
  DecodeStream(bytes, size);
  RoundTrip(bytes, size);
  return 0;
}
