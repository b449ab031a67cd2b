#pragma once
// The frames of the line, with no port behind them: the request encoder and
// the reply decoder, fed one byte at a time as the bytes arrive.
#include <array>
#include <cstddef>
#include <cstdint>

namespace q17 {

// Largest reply (and request) data area.
inline constexpr std::uint16_t kMaxData = 128;
inline constexpr std::size_t kFrameBufferSize = 256;

// Special bytes of the line.
inline constexpr std::uint8_t kEscape = 0xFA;
inline constexpr std::uint8_t kRequestStart = 0xFB;
inline constexpr std::uint8_t kReplyStart = 0xFC;
inline constexpr std::uint8_t kRequestEnd = 0xFD;
inline constexpr std::uint8_t kReplyEnd = 0xFE;

using TFrameBuffer = std::array<std::uint8_t, kFrameBufferSize>;

struct TRequest {
  std::uint8_t PacketNo = 0;
  std::uint8_t Address = 0;
  std::uint8_t Flags = 0;  // 0x10: two-byte code, 0x01: two-byte length
  std::uint16_t Code = 0;
  const std::uint8_t* Data = nullptr;
  std::uint16_t Length = 0;
};

// The escaped frame of `request` in `out`; its size, or 0 when it does not fit.
std::size_t EncodeRequest(const TRequest& request, TFrameBuffer& out);

// What a reply has told so far. The decoder overwrites each field as it
// arrives, so a frame that breaks off leaves the fields it got to and the
// others as they were given.
struct TReplyFields {
  std::uint8_t EchoPacketNo = 0;
  std::uint8_t Address = 0;  // the reader's own address byte: what sent it, not whom it answers
  std::uint8_t Flags = 0;
  std::uint16_t Code = 0;
  std::uint16_t Length = 0;
};

enum class TReplyStep {
  More,           // keep feeding
  Complete,       // a whole frame with a good CRC; its data is in place
  WrongPacketNo,  // a reply to some other request
  Oversize,       // a length beyond kMaxData; Length is 0
};

class TReplyDecoder {
 public:
  // `data` receives up to kMaxData bytes of the reply's data.
  TReplyDecoder(std::uint8_t expectedPacketNo, std::uint8_t* data, const TReplyFields& start = {});

  // Noise before a start byte, broken frames and bad CRCs are skipped: only
  // the outcomes that end the exchange leave More.
  TReplyStep Feed(std::uint8_t byte);
  // The same over a run of bytes, up to the first outcome: `used` tells how
  // many were taken, so what follows a reply stays with the caller.
  TReplyStep Feed(const std::uint8_t* bytes, std::size_t size, std::size_t& used);
  const TReplyFields& Fields() const { return FCursor.Fields; }
  // After WrongPacketNo: true until the address byte of that reply has been
  // fed, which says who sent it; the decoder then stops reading the frame.
  bool AwaitsAddress() const { return FCursor.State == TCursor::sForeignAddress; }

 private:
  // Where the decoder stands in a frame.
  struct TCursor {
    enum TState { sWaitStart, sPacketNo, sAddress, sFlags, sCode, sLength, sData, sCrc, sForeignAddress };
    TReplyFields Fields;
    TState State = sWaitStart;
    std::uint8_t PendingEscape = 0;
    std::uint16_t Crc = 0;
    std::uint16_t DataLen = 0;
    int FieldBytes = 0;  // bytes of a two-byte code or length field taken so far
    int CrcBytes = 0;
  };
  static TReplyStep Step(TCursor& k, std::uint8_t c, std::uint8_t expected, std::uint8_t* data);

  std::uint8_t FExpected;
  std::uint8_t* FData;
  TCursor FCursor;
};

}  // namespace q17
