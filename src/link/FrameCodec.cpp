#include "link/FrameCodec.h"

#include "link/Crc16A.h"

namespace q17 {
namespace {

class TFrameWriter {
 public:
  explicit TFrameWriter(TFrameBuffer& out) : FOut(out) {}

  void Raw(std::uint8_t b) {
    if (FLen < FOut.size()) {
      FOut[FLen++] = b;
    } else {
      FOverflow = true;
    }
  }
  // Escaped; `crc` takes the bytes as they go on the line.
  void Escaped(std::uint8_t b, std::uint16_t* crc) {
    if (b >= kEscape) {
      if (crc) CrcUpdate(*crc, kEscape);
      Raw(kEscape);
      b = static_cast<std::uint8_t>(b - 0xF0);
    }
    if (crc) CrcUpdate(*crc, b);
    Raw(b);
  }
  std::size_t Size() const { return FOverflow ? 0 : FLen; }

 private:
  TFrameBuffer& FOut;
  std::size_t FLen = 0;
  bool FOverflow = false;
};

}  // namespace

std::size_t EncodeRequest(const TRequest& r, TFrameBuffer& out) {
  TFrameWriter w(out);
  std::uint16_t crc = CrcInit;
  w.Raw(kRequestStart);
  w.Escaped(r.PacketNo, &crc);
  w.Escaped(r.Address, &crc);
  w.Escaped(r.Flags, &crc);
  w.Escaped(static_cast<std::uint8_t>(r.Code & 0xFF), &crc);
  if ((r.Flags & 0xF0) == 0x10) w.Escaped(static_cast<std::uint8_t>(r.Code >> 8), &crc);
  w.Escaped(static_cast<std::uint8_t>(r.Length & 0xFF), &crc);
  if ((r.Flags & 0x0F) == 0x01) w.Escaped(static_cast<std::uint8_t>(r.Length >> 8), &crc);
  for (std::uint16_t i = 0; i < r.Length && w.Size() != 0; ++i) w.Escaped(r.Data[i], &crc);
  // The CRC bytes are escaped like the body but do not enter the CRC.
  w.Escaped(static_cast<std::uint8_t>(crc & 0xFF), nullptr);
  w.Escaped(static_cast<std::uint8_t>(crc >> 8), nullptr);
  w.Raw(kRequestEnd);
  return w.Size();
}

TReplyDecoder::TReplyDecoder(std::uint8_t expectedPacketNo, std::uint8_t* data, TReplyFields& fields)
    : FExpected(expectedPacketNo), FData(data), FFields(fields), FCrc(CrcInit) {}

TReplyStep TReplyDecoder::Feed(std::uint8_t c) {
  if (c == kReplyStart) {
    FDataLen = 0;
    FCrc = CrcInit;
    // An escape left over from line noise must not shift the new frame's first byte.
    FPendingEscape = 0;
    FState = sPacketNo;
    return TReplyStep::More;
  }
  if (c == kReplyEnd) {
    // Only a whole frame counts: an end byte after noise or a cut header
    // whose running CRC happens to be 0 is not a reply.
    if (FState == sCrc && FCrcBytes >= 2 && FCrc == 0) return TReplyStep::Complete;
    FState = sWaitStart;
    return TReplyStep::More;
  }
  if (c == kEscape) {
    FPendingEscape = 0xF0;
    if (FState != sCrc) CrcUpdate(FCrc, c);
    return TReplyStep::More;
  }
  if (FState != sCrc) CrcUpdate(FCrc, c);
  if (FPendingEscape != 0) {
    c = static_cast<std::uint8_t>(c + FPendingEscape);
    FPendingEscape = 0;
  }
  switch (FState) {
    case sWaitStart:
      break;
    case sPacketNo:
      FFields.EchoPacketNo = c;
      if (c != FExpected) return TReplyStep::WrongPacketNo;
      FState = sAddress;
      break;
    case sAddress:
      FState = sFlags;
      break;
    case sFlags:
      FFields.Flags = c;
      FFieldBytes = 0;
      FState = sCode;
      break;
    case sCode:
      if ((FFields.Flags & 0x10) != 0 && FFieldBytes == 0) {
        FFields.Code = c;
        FFieldBytes = 1;
      } else {
        FFields.Code = FFieldBytes == 1 ? static_cast<std::uint16_t>(FFields.Code | (c << 8)) : c;
        FFieldBytes = 0;
        FState = sLength;
      }
      break;
    case sLength:
      if ((FFields.Flags & 0x01) != 0 && FFieldBytes == 0) {
        FFields.Length = c;
        FFieldBytes = 1;
        break;
      }
      FFields.Length = FFieldBytes == 1 ? static_cast<std::uint16_t>(FFields.Length | (c << 8)) : c;
      FFieldBytes = 0;
      if (FFields.Length > kMaxData) {
        FFields.Length = 0;
        return TReplyStep::Oversize;
      }
      FState = FFields.Length == 0 ? sCrc : sData;
      FCrcBytes = 0;
      break;
    case sData:
      if (FDataLen < FFields.Length) FData[FDataLen++] = c;
      if (FDataLen >= FFields.Length) FState = sCrc;
      break;
    case sCrc:
      CrcUpdate(FCrc, c);
      ++FCrcBytes;
      break;
  }
  return TReplyStep::More;
}

}  // namespace q17
