#pragma once
// Reply frames as a reader builds them, written independently of the link
// so the tests check the decoder against a second implementation.
#include <cstdint>
#include <vector>

#include "link/Crc16A.h"

namespace q17::test {

inline void PutEscaped(std::vector<std::uint8_t>& out, std::uint8_t b, std::uint16_t* crc) {
  if (b >= 0xFA) {
    out.push_back(0xFA);
    if (crc) CrcUpdate(*crc, 0xFA);
    b = static_cast<std::uint8_t>(b - 0xF0);
  }
  out.push_back(b);
  if (crc) CrcUpdate(*crc, b);
}

inline std::vector<std::uint8_t> ReplyFrame(std::uint8_t packetNo, std::uint8_t address, std::uint16_t code,
                                            const std::vector<std::uint8_t>& data, std::uint8_t flags = 0,
                                            int lengthOverride = -1) {
  std::vector<std::uint8_t> out{0xFC};
  std::uint16_t crc = CrcInit;
  PutEscaped(out, packetNo, &crc);
  PutEscaped(out, address, &crc);
  PutEscaped(out, flags, &crc);
  PutEscaped(out, static_cast<std::uint8_t>(code & 0xFF), &crc);
  if (flags & 0x10) PutEscaped(out, static_cast<std::uint8_t>(code >> 8), &crc);
  const unsigned length = lengthOverride >= 0 ? static_cast<unsigned>(lengthOverride) : data.size();
  PutEscaped(out, static_cast<std::uint8_t>(length & 0xFF), &crc);
  if (flags & 0x01) PutEscaped(out, static_cast<std::uint8_t>(length >> 8), &crc);
  for (std::uint8_t b : data) PutEscaped(out, b, &crc);
  PutEscaped(out, static_cast<std::uint8_t>(crc & 0xFF), nullptr);
  PutEscaped(out, static_cast<std::uint8_t>(crc >> 8), nullptr);
  out.push_back(0xFE);
  return out;
}

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

}  // namespace q17::test
