#include "platform/posix/FtdiEeprom.h"

#include <algorithm>
#include <string>

namespace q17 {
namespace {

constexpr std::size_t kHeaderBytes = 0x14;  // through the serial number's length byte
constexpr std::uint8_t kStringDescriptor = 0x03;

std::string DecodeString(const std::uint8_t* image, std::size_t size, std::uint8_t pointer,
                         std::uint8_t length, std::size_t maxChars) {
  if (length < 2) return {};
  const bool powerOfTwo = (size & (size - 1)) == 0;
  const std::size_t offset = powerOfTwo ? (pointer & (size - 1)) : pointer;
  if (offset >= size || size - offset < 2) return {};
  if (image[offset + 1] != kStringDescriptor) return {};

  // The header and the descriptor both state the length; trust neither
  // beyond the other, nor beyond the image. An odd count loses its last byte.
  std::size_t bytes = std::min<std::size_t>(length, image[offset]);
  bytes = std::min(bytes, size - offset);
  if (bytes < 2) return {};
  const std::size_t units = (bytes - 2) / 2;

  std::string text;
  for (std::size_t i = 0; i < units && text.size() < maxChars; ++i) {
    const std::size_t at = offset + 2 + 2 * i;
    const unsigned unit = image[at] | (static_cast<unsigned>(image[at + 1]) << 8);
    if (unit == 0) break;
    // The D2XX buffers hold one byte per character: keep Latin-1 as it is
    // (serial numbers may carry any byte value), mark the rest.
    text.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
  }
  return text;
}

}  // namespace

bool ParseFtdiEeprom(const std::uint8_t* image, std::size_t size, FtEepromData& out) {
  out = FtEepromData{};
  if (!image || size < kHeaderBytes) return false;
  if (std::all_of(image, image + size, [](std::uint8_t b) { return b == 0xFF; })) return false;

  out.vendorId = static_cast<std::uint16_t>(image[2] | (image[3] << 8));
  out.productId = static_cast<std::uint16_t>(image[4] | (image[5] << 8));
  out.manufacturer = DecodeString(image, size, image[0x0E], image[0x0F], kFtManufacturerChars);
  out.description = DecodeString(image, size, image[0x10], image[0x11], kFtDescriptionChars);
  out.serialNumber = DecodeString(image, size, image[0x12], image[0x13], kFtSerialChars);
  // The chips keep no manufacturer id of their own; nothing here reads it.
  out.manufacturerId.clear();
  return true;
}

}  // namespace q17
