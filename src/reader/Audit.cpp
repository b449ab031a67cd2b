#include "reader/Audit.h"

#include <cstdio>

#include "link/TranslateNoop.h"
#include "reader/Csv.h"
#include "reader/DirectCommand.h"
#include "reader/TagText.h"
#include "reader/Transact.h"

namespace q17 {
namespace {

std::uint16_t Word(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

bool IsValidMoment(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int days = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  if (day > days) return false;
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

TAuditEvent DecodeAuditEvent(const std::uint8_t* r, const std::tm& now) {
  TAuditEvent e;
  e.Code = Word(r);
  e.Channel = r[2];
  e.Tag = static_cast<std::uint32_t>(r[4]) | (static_cast<std::uint32_t>(r[5]) << 8) |
          (static_cast<std::uint32_t>(r[6]) << 16) | (static_cast<std::uint32_t>(r[7]) << 24);
  const int day = r[8], month = r[9], year = Word(r + 10), second = r[12], minute = r[13], hour = r[14];
  if (IsValidMoment(year, month, day, hour, minute, second)) {
    e.Time = std::tm{};
    e.Time.tm_year = year - 1900;
    e.Time.tm_mon = month - 1;
    e.Time.tm_mday = day;
    e.Time.tm_hour = hour;
    e.Time.tm_min = minute;
    e.Time.tm_sec = second;
  } else {
    e.Time = now;
  }
  return e;
}

TAuditRow AuditRow(int number, const TAuditEvent& e) {
  char time[16];
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", e.Time.tm_hour % 100, e.Time.tm_min % 100, e.Time.tm_sec % 100);
  return TAuditRow{std::to_string(number), ComposeText(AuditChannel(e.Channel)), time, TagCodeText(e.Tag),
                   EventText(e.Code)};
}

TShownText AuditChannel(int channel) {
  return TShownText::Marked("Audit", QT_TRANSLATE_NOOP("Audit", "Кан. %1"), {TShownText::Plain(std::to_string(channel))});
}

std::string AuditCsvHeader() {
  // untranslated: a file format, the same as q17ctl's in every language.
  return std::string(kUtf8Bom) + "Номер;Канал;Время;Таг;Событие\r\n";
}

std::string AuditCsvRow(const TAuditRow& row) { return CsvRow({row.Number, row.Channel, row.Time, row.Tag, row.Event}); }

TAuditEvent AuditErrorEvent(const std::tm& now) {
  TAuditEvent e;
  e.Code = kEventExchangeError;
  e.Time = now;
  return e;
}

TAuditRow AuditErrorRow(int number, const std::tm& now) { return AuditRow(number, AuditErrorEvent(now)); }

int SetAuditMode(TCommandState& s, TInterfList& link, bool on) {
  s.Payload[0] = on ? 1 : 0;
  return DirectCommand(s, link, cmd::AuditMode, 1);
}

int ClearAuditStore(TCommandState& s, TInterfList& link) { return DirectCommand(s, link, cmd::AuditClear, 0); }

int SetAuditModeTransaction(TCommandState& s, TInterfList& link, bool on) {
  s.Payload[0] = on ? 1 : 0;
  return TransactionOnly(s, link, cmd::AuditMode, 1);
}

int ClearAuditStoreTransaction(TCommandState& s, TInterfList& link) {
  return TransactionOnly(s, link, cmd::AuditClear, 0);
}

int ReadAuditEvent(TCommandState& s, TInterfList& link, const std::tm& now, std::optional<TAuditEvent>& event) {
  event.reset();
  // The answer code is not looked at: a reader with nothing stored may
  // refuse the read, which is no failure of the line.
  const int r = TransactionOnly(s, link, cmd::AuditReadEvent, 0);
  if (r == 0 && s.PayloadLength == kAuditEventSize) event = DecodeAuditEvent(s.Payload.data(), now);
  return r;
}

}  // namespace q17
