#include "Frame.h"

#include "link/Crc16A.h"
#include "link/KvlInterface.h"

namespace q17::sim {
namespace {

// Longest body a valid request can have on the line: every byte of a
// two-byte header and 128 data bytes escaped, plus the escaped CRC.
constexpr std::size_t kMaxRawBody = 2 * (3 + 2 + 2 + kMaxRequestData + 2);

std::uint8_t Lo(unsigned v) { return static_cast<std::uint8_t>(v & 0xFF); }
std::uint8_t Hi(unsigned v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }

}  // namespace

void PutEscaped(std::vector<std::uint8_t>& out, std::uint8_t b, std::uint16_t* crc) {
  if (b >= kEscape) {
    out.push_back(kEscape);
    if (crc) CrcUpdate(*crc, kEscape);
    b = static_cast<std::uint8_t>(b - 0xF0);
  }
  out.push_back(b);
  if (crc) CrcUpdate(*crc, b);
}

std::vector<std::uint8_t> EncodeReply(const ReplyLayout& r) {
  std::vector<std::uint8_t> out;
  out.reserve(16 + 2 * r.data.size());
  out.push_back(kReplyStart);
  std::uint16_t crc = CrcInit;
  PutEscaped(out, r.packetNo, &crc);
  PutEscaped(out, r.address, &crc);
  PutEscaped(out, r.flags, &crc);
  PutEscaped(out, Lo(r.code), &crc);
  if (r.flags & 0x10) PutEscaped(out, Hi(r.code), &crc);
  const unsigned length = r.announcedLength >= 0 ? static_cast<unsigned>(r.announcedLength)
                                                 : static_cast<unsigned>(r.data.size());
  PutEscaped(out, Lo(length), &crc);
  if (r.flags & 0x01) PutEscaped(out, Hi(length), &crc);
  for (std::uint8_t b : r.data) PutEscaped(out, b, &crc);
  if (r.cutAfterData) return out;
  crc = static_cast<std::uint16_t>(crc ^ r.crcXor);
  PutEscaped(out, Lo(crc), nullptr);
  PutEscaped(out, Hi(crc), nullptr);
  out.push_back(kReplyEnd);
  return out;
}

std::vector<std::uint8_t> EncodeRequest(std::uint8_t packetNo, std::uint8_t address, std::uint16_t code,
                                        const std::vector<std::uint8_t>& data, std::uint8_t flags) {
  std::vector<std::uint8_t> out;
  out.push_back(kRequestStart);
  std::uint16_t crc = CrcInit;
  PutEscaped(out, packetNo, &crc);
  PutEscaped(out, address, &crc);
  PutEscaped(out, flags, &crc);
  PutEscaped(out, Lo(code), &crc);
  if ((flags & 0xF0) == 0x10) PutEscaped(out, Hi(code), &crc);
  const unsigned length = static_cast<unsigned>(data.size());
  PutEscaped(out, Lo(length), &crc);
  if ((flags & 0x0F) == 1) PutEscaped(out, Hi(length), &crc);
  for (std::uint8_t b : data) PutEscaped(out, b, &crc);
  PutEscaped(out, Lo(crc), nullptr);
  PutEscaped(out, Hi(crc), nullptr);
  out.push_back(kRequestEnd);
  return out;
}

RequestDecoder::Result RequestDecoder::Push(std::uint8_t b) {
  if (b == kRequestStart) {
    const bool abandoned = inFrame_;
    inFrame_ = true;
    broken_ = false;
    raw_.clear();
    return abandoned ? Result::Malformed : Result::None;
  }
  if (!inFrame_) return Result::None;  // replies of other readers, noise
  if (b == kRequestEnd) {
    inFrame_ = false;
    return broken_ ? Result::Malformed : Finish();
  }
  if (b == kReplyStart || b == kReplyEnd || b == 0xFF) {
    broken_ = true;  // no unescaped byte of this range belongs inside a request
    return Result::None;
  }
  if (raw_.size() >= kMaxRawBody) {
    broken_ = true;
    return Result::None;
  }
  raw_.push_back(b);
  return Result::None;
}

RequestDecoder::Result RequestDecoder::Finish() {
  // Un-escape, remembering where each value ends on the line so the CRC
  // can be run over exactly the line bytes it covers.
  std::vector<std::uint8_t> values;
  std::vector<std::size_t> rawEnd;
  values.reserve(raw_.size());
  rawEnd.reserve(raw_.size());
  for (std::size_t i = 0; i < raw_.size(); ++i) {
    std::uint8_t v = raw_[i];
    if (v == kEscape) {
      if (i + 1 >= raw_.size()) return Result::Malformed;
      v = static_cast<std::uint8_t>(raw_[++i] + 0xF0);
    }
    values.push_back(v);
    rawEnd.push_back(i + 1);
  }

  std::size_t pos = 0;
  auto take = [&](std::uint16_t& out, bool wide) {
    const std::size_t need = wide ? 2 : 1;
    if (pos + need > values.size()) return false;
    out = values[pos];
    if (wide) out = static_cast<std::uint16_t>(out | (values[pos + 1] << 8));
    pos += need;
    return true;
  };
  std::uint16_t packetNo = 0, address = 0, flags = 0, code = 0, length = 0;
  if (!take(packetNo, false) || !take(address, false) || !take(flags, false)) return Result::Malformed;
  if (!take(code, (flags & 0xF0) == 0x10)) return Result::Malformed;
  if (!take(length, (flags & 0x0F) == 1)) return Result::Malformed;
  if (length > kMaxRequestData) return Result::Malformed;
  if (values.size() != pos + length + 2) return Result::Malformed;

  const std::size_t crcCovered = rawEnd[pos + length - 1];  // header is never empty here
  const std::uint16_t crc = CrcOf(raw_.data(), crcCovered);
  const std::uint16_t sent = static_cast<std::uint16_t>(values[pos + length] | (values[pos + length + 1] << 8));
  if (crc != sent) return Result::BadCrc;

  last_.packetNo = static_cast<std::uint8_t>(packetNo);
  last_.address = static_cast<std::uint8_t>(address);
  last_.flags = static_cast<std::uint8_t>(flags);
  last_.code = code;
  last_.data.assign(values.begin() + static_cast<long>(pos), values.begin() + static_cast<long>(pos + length));
  last_.lineBytes = raw_.size() + 2;
  return Result::Request;
}

}  // namespace q17::sim
