#include <gtest/gtest.h>

#include "reader/Audit.h"
#include "reader/Csv.h"

namespace q17 {
namespace {

TEST(Csv, FieldsQuotedOnlyWhereASpreadsheetWouldSplitThem) {
  const struct {
    const char* text;
    const char* field;
  } cases[] = {
      {"Кан. 1", "Кан. 1"},
      {"", ""},
      {"a;b", "\"a;b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\nlines", "\"two\nlines\""},
      {"cr\r", "\"cr\r\""},
  };
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.text), c.field) << c.text;
  EXPECT_EQ(CsvRow({"1", "a;b", ""}), "1;\"a;b\";\r\n");
}

TEST(Csv, TextsASpreadsheetWouldRunAreGuardedNumbersAreNot) {
  const struct {
    const char* text;
    const char* field;
  } cases[] = {
      {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
      {"+1+2", "'+1+2"},
      {"-cmd|' /C calc'!A0", "'-cmd|' /C calc'!A0"},
      {"@SUM(A1)", "'@SUM(A1)"},
      {"\t=1", "'\t=1"},
      {"=a;b", "\"'=a;b\""},
      {"-", "'-"},
      {"-5", "-5"},
      {"+3", "+3"},
      {"-0,125", "-0,125"},
      {"-1.5", "-1.5"},
      {"a=b", "a=b"},
      {"Код = 6 / Таймаут обмена", "Код = 6 / Таймаут обмена"},
  };
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.text), c.field) << c.text;
}

TEST(Csv, AuditListHeaderAndRow) {
  EXPECT_EQ(AuditCsvHeader(), "\xEF\xBB\xBFНомер;Канал;Время;Таг;Событие\r\n");
  const TAuditRow row{"12", "Кан. 2", "14:45:30", "12 34 56 78", "Проезд; разрешён"};
  EXPECT_EQ(AuditCsvRow(row), "12;Кан. 2;14:45:30;12 34 56 78;\"Проезд; разрешён\"\r\n");
}

}  // namespace
}  // namespace q17
