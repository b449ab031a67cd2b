#pragma once
// CRC-16 of the reader link: reflected polynomial 0xA001, start 0x6363,
// no final XOR, sent low byte first.
#include <array>
#include <cstddef>
#include <cstdint>

namespace q17 {

inline constexpr std::uint16_t CrcInit = 0x6363;

namespace detail {
constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t value = static_cast<std::uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) {
      value = (value & 1) ? static_cast<std::uint16_t>((value >> 1) ^ 0xA001) : static_cast<std::uint16_t>(value >> 1);
    }
    table[i] = value;
  }
  return table;
}
}  // namespace detail

inline constexpr std::array<std::uint16_t, 256> CrcTable = detail::MakeCrcTable();

constexpr void CrcUpdate(std::uint16_t& crc, std::uint8_t b) {
  crc = static_cast<std::uint16_t>(CrcTable[(crc ^ b) & 0xFF] ^ (crc >> 8));
}

constexpr std::uint16_t CrcOf(const std::uint8_t* data, std::size_t size, std::uint16_t crc = CrcInit) {
  for (std::size_t i = 0; i < size; ++i) CrcUpdate(crc, data[i]);
  return crc;
}

static_assert(CrcTable[1] == 0xC0C1 && CrcTable[2] == 0xC181 && CrcTable[255] == 0x4040);

}  // namespace q17
