#include "reader/Audit.h"

#include <gtest/gtest.h>

#include <set>

#include "CommandFixture.h"
#include "reader/Echo.h"
#include "reader/EchoSpread.h"
#include "reader/RadioTest.h"
#include "reader/Scan.h"
#include "reader/Sensors.h"
#include "reader/TagText.h"
#include "reader/Transact.h"

namespace q17 {
namespace {

std::tm Now() {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 7;
  t.tm_hour = 9;
  t.tm_min = 8;
  t.tm_sec = 7;
  return t;
}

TEST(AuditEvent, RecordDecodedIntoItsRow) {
  const std::uint8_t record[16] = {0x24, 0x01, 0x02, 0x00, 0x78, 0x56, 0x34, 0x12,
                                   0x0F, 0x03, 0xE6, 0x07, 0x1E, 0x2D, 0x0E, 0x00};
  const TAuditEvent e = DecodeAuditEvent(record, Now());
  EXPECT_EQ(e.Code, 0x0124);
  EXPECT_EQ(e.Time.tm_year, 2022 - 1900);
  EXPECT_EQ(e.Time.tm_mon, 2);
  EXPECT_EQ(e.Time.tm_mday, 15);
  const TAuditRow row = AuditRow(7, e);
  EXPECT_EQ(row.Number, "7");
  EXPECT_EQ(row.Channel, "Кан. 2");
  EXPECT_EQ(row.Time, "14:45:30");
  EXPECT_EQ(row.Tag, "12 34 56 78");
  EXPECT_EQ(row.Event, "Таг передан в контроллер");
}

TEST(AuditEvent, ImpossibleMomentTakesThePcsTime) {
  struct Case {
    int day, month, year, hour, minute, second;
    bool valid;
  };
  const Case table[] = {
      {15, 3, 2022, 14, 45, 30, true}, {29, 2, 2024, 0, 0, 0, true},   {29, 2, 2023, 0, 0, 0, false},
      {1, 0, 2022, 0, 0, 0, false},    {1, 13, 2022, 0, 0, 0, false},  {0, 1, 2022, 0, 0, 0, false},
      {31, 4, 2022, 0, 0, 0, false},   {1, 1, 2022, 24, 0, 0, false},  {1, 1, 2022, 23, 60, 0, false},
      {1, 1, 2022, 23, 59, 60, false}, {1, 1, 0, 0, 0, 0, false},      {31, 12, 9999, 23, 59, 59, true},
      {29, 2, 1900, 0, 0, 0, false},   {29, 2, 2000, 0, 0, 0, true},
  };
  for (const auto& c : table) {
    const std::uint8_t record[16] = {0x10, 0x00, 0x01, 0, 1, 2, 3, 4,
                                     static_cast<std::uint8_t>(c.day), static_cast<std::uint8_t>(c.month),
                                     static_cast<std::uint8_t>(c.year & 0xFF), static_cast<std::uint8_t>(c.year >> 8),
                                     static_cast<std::uint8_t>(c.second), static_cast<std::uint8_t>(c.minute),
                                     static_cast<std::uint8_t>(c.hour), 0};
    const TAuditRow row = AuditRow(1, DecodeAuditEvent(record, Now()));
    char own[16];
    std::snprintf(own, sizeof own, "%02d:%02d:%02d", c.hour, c.minute, c.second);
    EXPECT_EQ(row.Time, c.valid ? std::string(own) : "09:08:07") << c.day << "." << c.month << "." << c.year;
  }
}

using AuditRead = test::Commands;

TEST_F(AuditRead, OnlyTheTransactionDecidesAndA16ByteRecordIsAnEvent) {
  const test::Frame record = test::Bytes({0x24, 0x01, 0x02, 0x00, 0x78, 0x56, 0x34, 0x12,
                                          0x0F, 0x03, 0xE6, 0x07, 0x1E, 0x2D, 0x0E, 0x00});
  Reply(5, record);  // a record under a non-zero answer code is still an event
  Reply(80);         // refused without data: no event, no failure
  Reply(0, test::Bytes({1, 2, 3}));
  Silence();
  std::optional<TAuditEvent> e;
  ASSERT_EQ(ReadAuditEvent(s, list, Now(), e), 0);
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->Code, 0x0124);
  EXPECT_EQ(ReadAuditEvent(s, list, Now(), e), 0);
  EXPECT_FALSE(e.has_value());
  EXPECT_EQ(ReadAuditEvent(s, list, Now(), e), 0);
  EXPECT_FALSE(e.has_value());
  EXPECT_EQ(ReadAuditEvent(s, list, Now(), e), rcTimeout);
  EXPECT_FALSE(e.has_value());
}

TEST(AuditEvent, ErrorRowAndEventTexts) {
  const TAuditRow error = AuditErrorRow(3, Now());
  EXPECT_EQ(error.Channel, "Кан. 0");
  EXPECT_EQ(error.Tag, "00 00 00 00");
  EXPECT_EQ(error.Time, "09:08:07");
  EXPECT_EQ(error.Event, "Ошибка обмена со считывателем");
  EXPECT_STREQ(EventText(0x0001), "Питание включено");
  EXPECT_STREQ(EventText(0x012E), "Ворота не закрылись");
  for (std::uint16_t unknown : {0x0000, 0x0003, 0x0105, 0x012F, 0x0200, 0xFFFF}) {
    EXPECT_STREQ(EventText(unknown), "Неизвестная транзакция") << unknown;
  }
  // Every known code has a text of its own.
  const std::uint16_t known[] = {0x0001, 0x0002, 0x0010, 0x0011, 0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025,
                                 0x0101, 0x0102, 0x0103, 0x0104, 0x0110, 0x0121, 0x0122, 0x0123, 0x0124, 0x0125,
                                 0x0126, 0x0127, 0x0128, 0x0129, 0x012A, 0x012B, 0x012C, 0x012D, 0x012E, 0x0150};
  std::set<std::string> texts;
  for (auto code : known) texts.insert(EventText(code));
  EXPECT_EQ(texts.size(), std::size(known));
  EXPECT_EQ(texts.count("Неизвестная транзакция"), 0u);
}

TEST(Decoders, SensorsRadioCountsAndStartPayload) {
  const std::uint8_t sensors[4] = {0x01, 0x00, 0x00, 0x05};
  const TSensorState st = DecodeSensors(sensors);
  EXPECT_EQ(st, (TSensorState{true, false, false, true}));
  EXPECT_STREQ(OnOffText(true), "ВКЛ.");
  EXPECT_STREQ(OnOffText(false), "выкл.");

  const std::uint8_t counts[4] = {0x0A, 0x00, 0x03, 0x01};
  EXPECT_EQ(DecodeRadioCounts(counts).Etalon, 10);
  EXPECT_EQ(DecodeRadioCounts(counts).Test, 259);

  EXPECT_EQ(RadioStartPayload(2, "00 FF FF 01", "00 FF FF 02"),
            (TRadioStartPayload{0x02, 0x01, 0xFF, 0xFF, 0x00, 0x02, 0xFF, 0xFF, 0x00}));
  EXPECT_EQ(RadioStartPayload(1, "", "1"), (TRadioStartPayload{0x01, 0, 0, 0, 0, 0x01, 0, 0, 0}));
  EXPECT_EQ(RadioStartPayload(0, "", "")[0], 2);
  EXPECT_THROW(RadioStartPayload(1, "00 FF", "0X"), TConversionError);
}

// A quantile lies in the bucket of the true value; the slack is rounding only.
constexpr double kWithinBucket = TEchoSpread::kBucketMs * 1.001;

TEST(Decoders, ScanLinesAndEchoSpread) {
  EXPECT_EQ(LeftFill("7", 2), "07");
  EXPECT_EQ(LeftFill("123", 2), "123");
  EXPECT_EQ(ScanLine(7, "2xQ17 v1.0"), "Addr=07 [2xQ17 v1.0]");
  EXPECT_EQ(ScanLine(254, ""), "Addr=254 []");

  EXPECT_FALSE(MeanMsPerExchange(1000.0, 0).has_value());
  EXPECT_EQ(MeanMsPerExchange(5000.0, 250), 20);
  EXPECT_EQ(MeanMsPerExchange(25.0, 10), 3);  // 2.5 rounds up

  TEchoSpread spread;
  EXPECT_EQ(spread.Quantile(0.5), 0.0);
  EXPECT_TRUE(spread.Buckets().empty());
  for (int ms = 100; ms >= 1; --ms) spread.Add(ms);
  EXPECT_EQ(spread.Count(), 100u);
  EXPECT_EQ(spread.Min(), 1.0);
  EXPECT_NEAR(spread.Quantile(0.5), 50.0, kWithinBucket);
  EXPECT_NEAR(spread.Quantile(0.95), 95.0, kWithinBucket);
  EXPECT_EQ(spread.Max(), 100.0);
  EXPECT_EQ(spread.Quantile(1.0), 100.0);
  TEchoSpread one;
  one.Add(4.5);
  EXPECT_EQ(one.Quantile(0), 4.5);
  EXPECT_EQ(one.Quantile(0.95), 4.5);
}

TEST(Decoders, EchoTallySpreadsGoodExchangesOnly) {
  TEchoTally tally;
  for (int i = 0; i < 103; ++i) tally.Record(rcTimeout, 50.2);
  EXPECT_EQ(tally.Errors, 103);
  EXPECT_EQ(tally.Good, 0);
  EXPECT_TRUE(tally.Spread.Empty());
  tally.Record(0, 4.0);
  tally.Record(rcDataError, 7.0);
  tally.Record(0, 6.0);
  EXPECT_EQ(tally.Exchanges(), 106);
  EXPECT_EQ(tally.LastError, rcDataError);
  EXPECT_EQ(tally.Spread.Count(), 2u);
  EXPECT_EQ(tally.Spread.Min(), 4.0);
  EXPECT_EQ(tally.Spread.Max(), 6.0);
}

TEST(Decoders, EchoSpreadStaysBoundedAndRightWithinABucket) {
  // A million exchanges of 2.0x ms and one slow one of 5 s: the buckets span
  // the times seen, not the exchanges made.
  TEchoSpread spread;
  for (int i = 0; i < 1000000; ++i) spread.Add(2.0 + (i % 100) * 0.001);
  spread.Add(5000.0);
  spread.Add(-1.0);
  const auto buckets = spread.Buckets();
  EXPECT_LE(buckets.size(), static_cast<std::size_t>(TEchoSpread::kLastBucketFromMs * TEchoSpread::kBucketsPerMs) + 1);
  std::uint64_t total = 0;
  for (const auto& [upper, count] : buckets) total += count;
  EXPECT_EQ(total, spread.Count());
  EXPECT_EQ(buckets.back().first, 5000.0);
  EXPECT_EQ(spread.Min(), 0.0);
  EXPECT_EQ(spread.Max(), 5000.0);
  EXPECT_NEAR(spread.Quantile(0.5), 2.05, kWithinBucket);
  EXPECT_NEAR(spread.Quantile(0.95), 2.095, kWithinBucket);
}

}  // namespace
}  // namespace q17
