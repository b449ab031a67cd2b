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

TReplyDecoder::TReplyDecoder(std::uint8_t expectedPacketNo, std::uint8_t* data, const TReplyFields& start)
    : FExpected(expectedPacketNo), FData(data) {
  FCursor.Fields = start;
  FCursor.Crc = CrcInit;
}

// One byte on a cursor that lives in the caller's registers: the data
// writes cannot alias it, so a run of bytes costs no reloads.
inline TReplyStep TReplyDecoder::Step(TCursor& k, std::uint8_t c, std::uint8_t expected, std::uint8_t* data) {
  if (c == kReplyStart) {
    k.DataLen = 0;
    k.Crc = CrcInit;
    // An escape left over from line noise must not shift the new frame's first byte.
    k.PendingEscape = 0;
    k.State = TCursor::sPacketNo;
    return TReplyStep::More;
  }
  if (c == kReplyEnd) {
    // Only a whole frame counts: an end byte after noise or a cut header
    // whose running CRC happens to be 0 is not a reply.
    if (k.State == TCursor::sCrc && k.CrcBytes >= 2 && k.Crc == 0) return TReplyStep::Complete;
    k.State = TCursor::sWaitStart;
    return TReplyStep::More;
  }
  if (c == kEscape) {
    k.PendingEscape = 0xF0;
    if (k.State != TCursor::sCrc) CrcUpdate(k.Crc, c);
    return TReplyStep::More;
  }
  if (k.State != TCursor::sCrc) CrcUpdate(k.Crc, c);
  if (k.PendingEscape != 0) {
    c = static_cast<std::uint8_t>(c + k.PendingEscape);
    k.PendingEscape = 0;
  }
  TReplyFields& f = k.Fields;
  switch (k.State) {
    case TCursor::sWaitStart:
      break;
    case TCursor::sPacketNo:
      f.EchoPacketNo = c;
      if (c != expected) {
        k.State = TCursor::sForeignAddress;
        return TReplyStep::WrongPacketNo;
      }
      k.State = TCursor::sAddress;
      break;
    case TCursor::sAddress:
      f.Address = c;
      k.State = TCursor::sFlags;
      break;
    case TCursor::sForeignAddress:
      f.Address = c;
      k.State = TCursor::sWaitStart;
      break;
    case TCursor::sFlags:
      f.Flags = c;
      k.FieldBytes = 0;
      k.State = TCursor::sCode;
      break;
    case TCursor::sCode:
      if ((f.Flags & 0x10) != 0 && k.FieldBytes == 0) {
        f.Code = c;
        k.FieldBytes = 1;
      } else {
        f.Code = k.FieldBytes == 1 ? static_cast<std::uint16_t>(f.Code | (c << 8)) : c;
        k.FieldBytes = 0;
        k.State = TCursor::sLength;
      }
      break;
    case TCursor::sLength:
      if ((f.Flags & 0x01) != 0 && k.FieldBytes == 0) {
        f.Length = c;
        k.FieldBytes = 1;
        break;
      }
      f.Length = k.FieldBytes == 1 ? static_cast<std::uint16_t>(f.Length | (c << 8)) : c;
      k.FieldBytes = 0;
      if (f.Length > kMaxData) {
        f.Length = 0;
        return TReplyStep::Oversize;
      }
      k.State = f.Length == 0 ? TCursor::sCrc : TCursor::sData;
      k.CrcBytes = 0;
      break;
    case TCursor::sData:
      if (k.DataLen < f.Length) data[k.DataLen++] = c;
      if (k.DataLen >= f.Length) k.State = TCursor::sCrc;
      break;
    case TCursor::sCrc:
      CrcUpdate(k.Crc, c);
      ++k.CrcBytes;
      break;
  }
  return TReplyStep::More;
}

TReplyStep TReplyDecoder::Feed(const std::uint8_t* bytes, std::size_t size, std::size_t& used) {
  TCursor k = FCursor;
  TReplyStep step = TReplyStep::More;
  std::size_t i = 0;
  while (step == TReplyStep::More && i < size) step = Step(k, bytes[i++], FExpected, FData);
  FCursor = k;
  used = i;
  return step;
}

TReplyStep TReplyDecoder::Feed(std::uint8_t byte) {
  std::size_t used = 0;
  return Feed(&byte, 1, used);
}

}  // namespace q17
