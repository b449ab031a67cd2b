#pragma once
// Decoding of the raw EEPROM image of an FTDI chip into what FT_EE_Read
// reports. Pure, so that it can be fed any bytes.
#include <cstddef>
#include <cstdint>

#include "platform/D2xxApi.h"

namespace q17 {

// Text limits of the FT_PROGRAM_DATA buffers, without their terminating zero.
inline constexpr std::size_t kFtManufacturerChars = 31;
inline constexpr std::size_t kFtManufacturerIdChars = 15;
inline constexpr std::size_t kFtDescriptionChars = 63;
inline constexpr std::size_t kFtSerialChars = 15;

// Reads vendor id (word 1), product id (word 2) and the manufacturer,
// description and serial number strings, whose descriptors the header points
// to with pointer/length byte pairs at 0x0E, 0x10 and 0x12. `size` is the
// EEPROM's size; for a power of two the pointer is taken modulo it (the chips
// set bit 7 of the pointer on small parts). A string that does not fit the
// image or is no string descriptor comes back empty; UTF-16 units above 0xFF
// become '?'; a zero unit ends the string. False for an image too short to
// hold the header, or a blank (all 0xFF) one.
bool ParseFtdiEeprom(const std::uint8_t* image, std::size_t size, FtEepromData& out);

}  // namespace q17
