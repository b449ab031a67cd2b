#include "settings/IniText.h"

#include <gtest/gtest.h>

namespace q17 {
namespace {

TEST(IniText, FindsValuesTheWayProfileFilesAreRead) {
  const TIniText text(
      "k=before any section\r\n"
      "[Common]\r\n"
      "  Rdr_Addr = 7 \r\n"
      ";WCT=1\r\n"
      "quoted=\"  spaced  \"\r\n"
      "single='x'\r\n"
      "lonequote=\"x\r\n"
      "empty=\r\n"
      "no equals sign\r\n"
      "rdr_addr=8\r\n"
      "[ COMMON ]\r\n"
      "later=1\r\n"
      "[\xD0\xE0\xE7\xED\xEE\xE5]\n"      // "Разное", Windows-1251
      "\xC8\xCC\xDF=\xE7\xED\xE0\xF7\xE5\xED\xE8\xE5\n"  // ИМЯ=значение
      "[last]\n"
      "x=1");
  const struct {
    const char* section;
    const char* key;
    std::optional<std::string> value;
  } table[] = {
      {"COMMON", "RDR_ADDR", "7"},  // case, blanks; the first of two keys
      {"common", "k", std::nullopt},  // lines before the first section belong to none
      {"COMMON", ";WCT", std::nullopt},
      {"COMMON", "WCT", std::nullopt},
      {"COMMON", "quoted", "  spaced  "},
      {"COMMON", "single", "x"},
      {"COMMON", "lonequote", "\"x"},
      {"COMMON", "empty", ""},
      {"COMMON", "no equals sign", std::nullopt},
      {"COMMON", "later", std::nullopt},  // a second section of the same name is not read
      {"разное", "имя", "значение"},
      {"LAST", "X", "1"},
      {"missing", "x", std::nullopt},
  };
  for (const auto& row : table) {
    EXPECT_EQ(text.Value(row.section, row.key), row.value) << row.section << "/" << row.key;
  }
}

TEST(IniText, ReadsAtMost2047CharactersOfAValue) {
  const TIniText text("[S]\nk=" + std::string(3000, '\xC9') + "\n");  // Й in Windows-1251
  std::string expected;
  for (int i = 0; i < 2047; ++i) expected += "Й";
  EXPECT_EQ(text.Value("S", "k"), expected);
}

TEST(IniText, SetValueChangesOnlyWhatItMust) {
  const struct {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
  } table[] = {
      {"empty text gets CR LF", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
      {"key replaced in place, its spelling and spacing kept", "[a]\r\n Key = 10 \r\nz=1\r\n", "A", "KEY", "5",
       "[a]\r\n Key = 5\r\nz=1\r\n"},
      {"new key after the section's last line, blank lines stay between sections",
       "[A]\nx=1\n\n[B]\ny=2\n", "a", "z", "3", "[A]\nx=1\nz=3\n\n[B]\ny=2\n"},
      {"new key in a section that ends the text without a line end", "[A]\r\nx=1", "A", "k", "2",
       "[A]\r\nx=1\r\nk=2\r\n"},
      {"new key under a bare header", "[A]", "A", "k", "1", "[A]\r\nk=1\r\n"},
      {"missing section at the end, LF as the text has it", "[A]\nx=1", "B", "y", "2", "[A]\nx=1\n[B]\ny=2\n"},
      {"only the first of two sections of the name", "[A]\nx=1\n[B]\n[a]\nx=2\n", "A", "x", "9",
       "[A]\nx=9\n[B]\n[a]\nx=2\n"},
      {"a commented key is not the key", "[A]\n;x=1\n", "A", "x", "2", "[A]\n;x=1\nx=2\n"},
      {"line breaks in a value become blanks", "", "S", "k", "a\r\n[X]\nb", "[S]\r\nk=a  [X] b\r\n"},
      {"text stored in Windows-1251", "[S]\n", "S", "Тег", "Ключ ё", "[S]\n\xD2\xE5\xE3=\xCA\xEB\xFE\xF7 \xB8\n"},
  };
  for (const auto& row : table) {
    TIniText text(row.before);
    text.SetValue(row.section, row.key, row.value);
    EXPECT_EQ(text.Bytes(), row.after) << row.name;
  }
}

TEST(IniText, AByteOrderMarkOrLoneCarriageReturnsHideNoLine) {
  // Notepad's UTF-8 keeps its mark and UTF-8 text; an old Mac editor ends lines with CR alone.
  const struct {
    const char* name;
    std::string before;
    const char* key;
    std::optional<std::string> read;
    std::string after;  // with the key set to "9"
  } table[] = {
      {"UTF-8 mark before the first section", "\xEF\xBB\xBF[S]\r\nk=1\r\nt=\xD0\x81\r\n", "k", "1",
       "\xEF\xBB\xBF[S]\r\nk=9\r\nt=\xD0\x81\r\n"},
      {"UTF-8 text after the mark", "\xEF\xBB\xBF[S]\r\nt=\xD0\x81\r\n", "t", "Ё", "\xEF\xBB\xBF[S]\r\nt=9\r\n"},
      {"a new section after the mark alone", "\xEF\xBB\xBF", "k", std::nullopt, "\xEF\xBB\xBF[S]\r\nk=9\r\n"},
      {"CR line ends", "[S]\rk=1\rz=2\r", "k", "1", "[S]\rk=9\rz=2\r"},
      {"a new key in a CR file", "[S]\rz=2\r[T]\r", "k", std::nullopt, "[S]\rz=2\rk=9\r[T]\r"},
      {"a CR file without a last line end", "[A]\rz=2", "k", std::nullopt, "[A]\rz=2\r[S]\rk=9\r"},
      {"UTF-16 holds nothing and is left alone", std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0001\0", 18), "k",
       std::nullopt, std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0001\0", 18)},
  };
  for (const auto& row : table) {
    TIniText text(row.before);
    EXPECT_EQ(text.Value("S", row.key), row.read) << row.name;
    text.SetValue("S", row.key, "9");
    EXPECT_EQ(text.Bytes(), row.after) << row.name;
  }
}

TEST(IniText, ProfileIntegers) {
  const struct {
    const char* text;
    std::optional<std::int32_t> value;
  } table[] = {
      {"0x1E", 30},       {"0X1e", 30},           {"$1E", 30},          {"$1e", 30},
      {"0x", std::nullopt}, {"$", std::nullopt},  {"0x1G", std::nullopt}, {"1E", std::nullopt},
      {"ABC", std::nullopt}, {"", std::nullopt},  {" 5", std::nullopt}, {"5 ", std::nullopt},
      {"300", 300},       {"-5", -5},             {"+7", 7},            {"00012", 12},
      {"-", std::nullopt}, {"2147483647", 2147483647}, {"2147483648", std::nullopt},
      {"-2147483648", INT32_MIN}, {"$FFFFFFFF", -1}, {"0x000000001", 1}, {"$100000000", std::nullopt},
      {"99999999999999999999", std::nullopt},
  };
  for (const auto& row : table) EXPECT_EQ(ParseProfileInteger(row.text), row.value) << "'" << row.text << "'";
}

}  // namespace
}  // namespace q17
