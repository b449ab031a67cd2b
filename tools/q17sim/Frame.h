#pragma once
// The reader's side of the line: decoding the PC's request frames and
// building reply frames, byte-exact, including the damaged forms the
// fault injection needs.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace q17::sim {

// Largest request data a reader accepts; longer frames are dropped unread.
inline constexpr std::size_t kMaxRequestData = 128;

// Appends b escaped (0xFA and above travel as FA, b - 0xF0); updates crc
// with the line bytes when crc is given.
void PutEscaped(std::vector<std::uint8_t>& out, std::uint8_t b, std::uint16_t* crc);

// Everything a reply frame can carry, wrong values included.
struct ReplyLayout {
  std::uint8_t packetNo = 0;
  std::uint8_t address = 0;
  std::uint8_t flags = 0;              // 0x10: two-byte code, 0x01: two-byte length
  std::uint16_t code = 0;              // answer code
  std::vector<std::uint8_t> data;
  int announcedLength = -1;            // length field value; -1: data.size()
  std::uint16_t crcXor = 0;            // spoils the CRC when non-zero
  bool cutAfterData = false;           // stop before the CRC and the end byte
};

// FC, packet number, address, flags, code, length, data, CRC low, CRC high, FE.
// The CRC runs over the escaped body up to the last data byte.
std::vector<std::uint8_t> EncodeReply(const ReplyLayout& layout);

// A request as the PC builds it: two-byte code when (flags & 0xF0) == 0x10,
// two-byte length when (flags & 0x0F) == 1.
std::vector<std::uint8_t> EncodeRequest(std::uint8_t packetNo, std::uint8_t address, std::uint16_t code,
                                        const std::vector<std::uint8_t>& data, std::uint8_t flags = 0);

struct Request {
  std::uint8_t packetNo = 0;
  std::uint8_t address = 0;
  std::uint8_t flags = 0;
  std::uint16_t code = 0;
  std::vector<std::uint8_t> data;
  std::size_t lineBytes = 0;  // size of the frame on the line, FB and FD included
};

// Byte-wise decoder of request frames. Bytes outside FB..FD are ignored;
// a new FB restarts the frame; a frame is accepted only when its fields
// add up exactly and its CRC matches.
class RequestDecoder {
 public:
  enum class Result {
    None,       // byte taken, no frame ended
    Request,    // a good request ended; see Last()
    BadCrc,     // a well-formed frame with a wrong CRC ended
    Malformed,  // a frame ended that does not parse (short, long, stray start or end bytes)
  };

  Result Push(std::uint8_t b);
  const Request& Last() const { return last_; }

 private:
  Result Finish();

  std::vector<std::uint8_t> raw_;  // line bytes after FB
  bool inFrame_ = false;
  bool broken_ = false;
  Request last_;
};

}  // namespace q17::sim
