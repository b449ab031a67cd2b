#include "reader/TagText.h"

#include <gtest/gtest.h>

namespace q17 {
namespace {

using B = std::vector<std::uint8_t>;

TEST(HexToBytes, GroupsAndTheirLowBytes) {
  const std::pair<const char*, B> table[] = {
      {"", {}},
      {"00 FF FF 01", {0x00, 0xFF, 0xFF, 0x01}},
      {"00 ff ff 01", {0x00, 0xFF, 0xFF, 0x01}},
      {"1", {0x01}},
      {" 12", {0x00, 0x12}},         // a leading blank is an empty group
      {"12  34", {0x12, 0x00, 0x34}},  // so are two blanks in a row
      {"12 34  \t", {0x12, 0x34}},   // trailing blanks and controls go
      {"   ", {0x00}},
      {"1234", {0x34}},              // a longer group gives its low byte
      {"0000000012345678", {0x78}},  // leading zeros are not significant
  };
  for (const auto& [text, bytes] : table) EXPECT_EQ(HexToBytes(text), bytes) << '"' << text << '"';
}

TEST(HexToBytes, NotHexadecimalIsAConversionError) {
  for (const char* text : {"0G", "00 FF-FF", "123456789", "00 FF FF 01 x", "$1"}) {
    EXPECT_THROW(HexToBytes(text), TConversionError) << text;
    EXPECT_FALSE(IsTagText(text)) << text;
  }
}

TEST(TagPayloadBytes, LeastSignificantFirstZeroFilledInFront) {
  EXPECT_EQ(TagPayloadBytes("00 FF FF 01"), (TTagCode{0x01, 0xFF, 0xFF, 0x00}));
  EXPECT_EQ(TagPayloadBytes("1"), (TTagCode{0x01, 0x00, 0x00, 0x00}));
  EXPECT_EQ(TagPayloadBytes(""), (TTagCode{0, 0, 0, 0}));
  EXPECT_EQ(TagPayloadBytes("11 22 33 44 55"), (TTagCode{0x44, 0x33, 0x22, 0x11}));
  EXPECT_EQ(TagCodeText(TTagCode{0x78, 0x56, 0x34, 0x12}), "12 34 56 78");
}

TEST(LoadTagTexts, TextsThatDoNotConvertFallBack) {
  TCommandState s;
  s.EtalonTag = "00 B1 ZZ 01";
  s.TestTag = "00 B1 FF 03";
  LoadTagTexts(s);
  EXPECT_EQ(s.EtalonTag, "00 FF FF 01");
  EXPECT_EQ(s.TestTag, "00 B1 FF 03");
  s.TestTag = "QQ";
  LoadTagTexts(s);
  EXPECT_EQ(s.EtalonTag, "00 FF FF 01");
  EXPECT_EQ(s.TestTag, "00 FF FF 02");
}

std::string Typed(const std::string& keys) {
  TTagEdit e;
  for (char c : keys) TypeTagChar(e, static_cast<unsigned char>(c));
  return e.Text;
}

TEST(TagEntryFilter, BlanksByLengthAndTheLimit) {
  EXPECT_EQ(Typed("00FFFF01"), "00 FF FF 01");
  EXPECT_EQ(Typed("00ffff01"), "00 FF FF 01");
  EXPECT_EQ(Typed("0x0-g1 2"), "00 12");  // others, blanks included, are refused
  // A ninth digit adds only the blank; the digit itself passes the limit.
  EXPECT_EQ(Typed("00FFFF011"), "00 FF FF 01 ");
  EXPECT_EQ(Typed("00FFFF0112"), "00 FF FF 01 ");
  EXPECT_EQ(Typed("\xD0\xB0"), "");  // bytes of a Cyrillic letter
}

TEST(TagEntryFilter, CaretAndSelection) {
  TTagEdit e{"00 FF FF 01", 11, 0, 11};  // the whole text selected
  EXPECT_FALSE(TypeTagChar(e, U'5'));
  EXPECT_EQ(e.Text, "00 FF FF 01 ");
  // Length 4, not a blank position: the digit replaces the selection.
  e = TTagEdit{"00 F", 4, 0, 4};
  EXPECT_TRUE(TypeTagChar(e, U'a'));
  EXPECT_EQ(e.Text, "A");
  EXPECT_EQ(e.Caret, 1u);
  // The blank goes at the end whatever the caret; the digit follows it.
  e = TTagEdit{"00", 0, 0, 0};
  EXPECT_TRUE(TypeTagChar(e, U'1'));
  EXPECT_EQ(e.Text, "00 1");
  // Length 3: the digit goes in at the caret.
  e = TTagEdit{"00 ", 1, 1, 0};
  EXPECT_TRUE(TypeTagChar(e, U'7'));
  EXPECT_EQ(e.Text, "070 ");
  EXPECT_FALSE(TypeTagChar(e, U'\u0416'));
}

TEST(TagEntryFilter, PastedTextStopsAtTheLimit) {
  const struct {
    std::u16string before, after;
    std::size_t caret;
    std::u16string text;
    std::size_t caretAfter;
  } table[] = {
      {u"", u"00 FF FF 01 02 03", 17, u"00 FF FF 01 ", 12},
      {u"00 FF", u"00 11 22 33 44 FF", 15, u"00 11 22 3FF", 10},  // pasted in the middle: its head goes in
      {u"00 FF FF 01", u"00 FF FF 01", 11, u"00 FF FF 01", 11},
      // A longer loaded text keeps its length, shrinks, or has a part replaced, but never grows.
      {u"00 B1 FF 03 04", u"00 B1 FF 03 04 05", 17, u"00 B1 FF 03 04", 14},
      {u"00 B1 FF 03 04", u"00 B1 FF 03 0", 13, u"00 B1 FF 03 0", 13},
      {u"00 B1 FF 03 04", u"00 B1 FF 03 AB", 14, u"00 B1 FF 03 AB", 14},
      {u"00", u"00\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416", 13,
       u"00\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416\u0416", 12},  // any script counts by characters
  };
  int i = 0;
  for (const auto& row : table) {
    const TTagChange c = LimitTagChange(row.before, row.after, row.caret);
    EXPECT_TRUE(c.Text == row.text) << "row " << i;
    EXPECT_EQ(c.Caret, row.caretAfter) << "row " << i;
    ++i;
  }
}

TEST(TagNumber, ReadZoneTagAndItsComparison) {
  EXPECT_EQ(TagNumber("00 A1 02 28"), 0x00A10228u);
  EXPECT_TRUE(TagMatches(TagNumber("00 A1 02 28"), TTagCode{0x28, 0x02, 0xA1, 0x00}));
  EXPECT_FALSE(TagMatches(TagNumber("00 A1 02 28"), TTagCode{0x00, 0xA1, 0x02, 0x28}));
  EXPECT_EQ(TagNumber(""), 0u);
  EXPECT_EQ(TagNumber("   "), 0u);
  EXPECT_EQ(TagNumber("00 00 00 00"), 0u);
  EXPECT_EQ(TagNumber("FF FF FF FF"), 0xFFFFFFFFu);
  EXPECT_THROW(TagNumber("01 A1 02 28 01"), TConversionError);
  EXPECT_THROW(TagNumber("00 Z1"), TConversionError);
}

}  // namespace
}  // namespace q17
