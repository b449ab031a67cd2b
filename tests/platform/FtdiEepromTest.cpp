// The FTDI EEPROM decoder on hand-made images, well-formed and not.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/FtdiEeprom.h"

namespace q17 {
namespace {

using Image = std::vector<std::uint8_t>;

// An image as an FT232R keeps it: 128 bytes, pointers with bit 7 set.
class EepromBuilder {
 public:
  explicit EepromBuilder(std::size_t size = 128, std::uint8_t pointerFlag = 0x80)
      : image_(size, 0x00), flag_(pointerFlag) {
    Word(0, 0x4000);
    Word(2, 0x0403);
    Word(4, 0x5A17);
  }

  EepromBuilder& Word(std::size_t at, std::uint16_t value) {
    image_.at(at) = static_cast<std::uint8_t>(value);
    image_.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
    return *this;
  }

  // Writes a string descriptor of UTF-16 units at `offset` and points the
  // header slot (0x0E, 0x10 or 0x12) at it.
  EepromBuilder& String(std::size_t slot, std::size_t offset, const std::u16string& units) {
    const auto length = static_cast<std::uint8_t>(2 + 2 * units.size());
    image_.at(slot) = static_cast<std::uint8_t>(offset | flag_);
    image_.at(slot + 1) = length;
    image_.at(offset) = length;
    image_.at(offset + 1) = 0x03;
    for (std::size_t i = 0; i < units.size(); ++i) Word(offset + 2 + 2 * i, units[i]);
    return *this;
  }

  EepromBuilder& Byte(std::size_t at, std::uint8_t value) {
    image_.at(at) = value;
    return *this;
  }

  Image Build() const { return image_; }

 private:
  Image image_;
  std::uint8_t flag_;
};

constexpr std::size_t kManufacturer = 0x0E, kDescription = 0x10, kSerial = 0x12;

EepromBuilder Typical() {
  return EepromBuilder()
      .String(kManufacturer, 0x18, u"FTDI")
      .String(kDescription, 0x22, u"2xQ17 RS-485")
      .String(kSerial, 0x3C, u"AB0123CD");
}

FtEepromData Parse(const Image& image) {
  FtEepromData data;
  data.manufacturerId = "stale";
  EXPECT_TRUE(ParseFtdiEeprom(image.data(), image.size(), data));
  return data;
}

TEST(FtdiEepromTest, ReadsIdsAndStringsOfASmallPart) {
  const FtEepromData d = Parse(Typical().Build());
  EXPECT_EQ(d.vendorId, 0x0403);
  EXPECT_EQ(d.productId, 0x5A17);
  EXPECT_EQ(d.manufacturer, "FTDI");
  EXPECT_EQ(d.description, "2xQ17 RS-485");
  EXPECT_EQ(d.serialNumber, "AB0123CD");
  EXPECT_EQ(d.manufacturerId, "");
}

TEST(FtdiEepromTest, LargePartPointersAreByteOffsets) {
  const FtEepromData d = Parse(EepromBuilder(256, 0x00)
                                   .Word(4, 0x6015)
                                   .String(kManufacturer, 0xA0, u"FTDI")
                                   .String(kDescription, 0xAA, u"FT230X Basic UART")
                                   .String(kSerial, 0xD0, u"DK0AB1CD")
                                   .Build());
  EXPECT_EQ(d.productId, 0x6015);
  EXPECT_EQ(d.manufacturer, "FTDI");
  EXPECT_EQ(d.description, "FT230X Basic UART");
  EXPECT_EQ(d.serialNumber, "DK0AB1CD");
}

TEST(FtdiEepromTest, SerialNumberBytesSurviveAsTheyAre) {
  // The device code is computed from raw serial bytes: control characters
  // and packed digits above 0x7F must come through unchanged.
  const std::u16string raw = {0x41, 0x42, 0x14, 0x0C, 0x45, 0x11, 0x3A, 0x25, 0xAA};
  const FtEepromData d = Parse(EepromBuilder().String(kSerial, 0x40, raw).Build());
  EXPECT_EQ(d.serialNumber, std::string("\x41\x42\x14\x0C\x45\x11\x3A\x25\xAA"));
}

TEST(FtdiEepromTest, StringsAreCutToTheBufferSizes) {
  const FtEepromData d = Parse(EepromBuilder(256, 0)
                                   .String(kManufacturer, 0x16, std::u16string(40, u'M'))
                                   .String(kDescription, 0x68, std::u16string(70, u'D'))
                                   .String(kSerial, 0xF6, std::u16string(4, u'S'))
                                   .Build());
  EXPECT_EQ(d.manufacturer, std::string(kFtManufacturerChars, 'M'));
  EXPECT_EQ(d.description, std::string(kFtDescriptionChars, 'D'));
  EXPECT_EQ(d.serialNumber, "SSSS");

  const FtEepromData s = Parse(EepromBuilder().String(kSerial, 0x18, std::u16string(20, u'7')).Build());
  EXPECT_EQ(s.serialNumber, std::string(kFtSerialChars, '7'));
}

TEST(FtdiEepromTest, MalformedStringsComeBackEmptyOrShort) {
  struct Case {
    const char* what;
    Image image;
    std::string serial;
  };
  const EepromBuilder base = EepromBuilder().String(kSerial, 0x18, u"SN42");
  const Case cases[] = {
      {"well formed", base.Build(), "SN42"},
      {"wide character", EepromBuilder().String(kSerial, 0x18, u"S\u0416N").Build(), "S?N"},
      {"zero unit ends it", EepromBuilder().String(kSerial, 0x18, u"AB\0CD").Build(), "AB"},
      {"length 0", EepromBuilder(base).Byte(0x13, 0).Build(), ""},
      {"length 1", EepromBuilder(base).Byte(0x13, 1).Byte(0x18, 1).Build(), ""},
      {"odd length drops the half unit", EepromBuilder(base).Byte(0x13, 9).Byte(0x18, 9).Build(),
       "SN4"},
      {"odd length in the header only", EepromBuilder(base).Byte(0x13, 7).Build(), "SN"},
      {"descriptor shorter than header", EepromBuilder(base).Byte(0x18, 6).Build(), "SN"},
      {"header shorter than descriptor", EepromBuilder(base).Byte(0x13, 4).Build(), "S"},
      {"not a string descriptor", EepromBuilder(base).Byte(0x19, 0x02).Build(), ""},
      {"runs past the end", EepromBuilder().String(kSerial, 0x78, u"ABC").Byte(0x13, 0xFE)
                                .Byte(0x78, 0xFE).Build(), "ABC"},
      {"starts in the last byte", EepromBuilder(base).Byte(0x12, 0xFF).Build(), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FtEepromData d;
    ASSERT_TRUE(ParseFtdiEeprom(c.image.data(), c.image.size(), d));
    EXPECT_EQ(d.serialNumber, c.serial);
    EXPECT_EQ(d.vendorId, 0x0403);
  }
}

TEST(FtdiEepromTest, PointerBeyondAnImageOfOddSize) {
  // A size that is no power of two takes the pointer as it is.
  Image image = EepromBuilder(0x60, 0).String(kSerial, 0x50, u"XY").Build();
  image[0x12] = 0x90;  // past the end of this image
  FtEepromData d;
  ASSERT_TRUE(ParseFtdiEeprom(image.data(), image.size(), d));
  EXPECT_EQ(d.serialNumber, "");

  image[0x12] = 0x50;
  ASSERT_TRUE(ParseFtdiEeprom(image.data(), image.size(), d));
  EXPECT_EQ(d.serialNumber, "XY");
}

TEST(FtdiEepromTest, BlankShortOrMissingImageIsAReadFailure) {
  const Image blank(128, 0xFF);
  const Image typical = Typical().Build();
  const Image shortImage(typical.begin(), typical.begin() + 0x13);
  FtEepromData d;
  d.serialNumber = "old";
  EXPECT_FALSE(ParseFtdiEeprom(blank.data(), blank.size(), d));
  EXPECT_EQ(d.serialNumber, "");
  EXPECT_FALSE(ParseFtdiEeprom(shortImage.data(), shortImage.size(), d));
  EXPECT_FALSE(ParseFtdiEeprom(nullptr, 128, d));

  // Just the header: ids, and strings that point outside come back empty.
  Image header = Typical().Build();
  header.resize(0x14);
  ASSERT_TRUE(ParseFtdiEeprom(header.data(), header.size(), d));
  EXPECT_EQ(d.productId, 0x5A17);
  EXPECT_EQ(d.serialNumber, "");
}

}  // namespace
}  // namespace q17
