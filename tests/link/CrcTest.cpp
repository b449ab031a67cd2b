#include "link/Crc16A.h"

#include <gtest/gtest.h>

#include <string>

namespace q17 {
namespace {

TEST(Crc16A, TableEntriesFollowTheReflectedPolynomial) {
  EXPECT_EQ(CrcTable[0], 0x0000);
  EXPECT_EQ(CrcTable[1], 0xC0C1);
  EXPECT_EQ(CrcTable[2], 0xC181);
  EXPECT_EQ(CrcTable[255], 0x4040);
}

TEST(Crc16A, KnownChecksums) {
  const std::string digits = "123456789";
  EXPECT_EQ(CrcOf(reinterpret_cast<const std::uint8_t*>(digits.data()), digits.size()), 0x74C7);

  const std::uint8_t header[] = {0x00, 0x01, 0x00, 0x28, 0x00};
  EXPECT_EQ(CrcOf(header, sizeof header), 0xB0C5);

  // Packet number 0xFB goes out escaped, and both escape bytes enter the CRC.
  const std::uint8_t escaped[] = {0xFA, 0x0B, 0x01, 0x00, 0x28, 0x00};
  EXPECT_EQ(CrcOf(escaped, sizeof escaped), 0xFC63);
}

TEST(Crc16A, AppendingTheCrcLowByteFirstLeavesZero) {
  const std::uint8_t body[] = {0x00, 0x01, 0x00, 0x00, 0x02, 0x64, 0x00};
  std::uint16_t crc = CrcOf(body, sizeof body);
  EXPECT_EQ(crc, 0x44D0);
  CrcUpdate(crc, 0xD0);
  CrcUpdate(crc, 0x44);
  EXPECT_EQ(crc, 0);
}

}  // namespace
}  // namespace q17
