#pragma once
// The access audit: the reader's audit mode, its 16-byte event records and
// the texts of one list row.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "link/ShownText.h"
#include "reader/RdrCmd.h"

namespace q17 {

inline constexpr std::uint16_t kAuditEventSize = 16;

struct TAuditEvent {
  std::uint16_t Code = 0;
  std::uint8_t Channel = 0;
  std::uint32_t Tag = 0;
  std::tm Time{};  // the event's own time, or the PC's when the record's is impossible
};

// Decodes a 16-byte record; an impossible date or time (month 13, hour 24,
// 30 February...) is replaced by `now`.
TAuditEvent DecodeAuditEvent(const std::uint8_t* record, const std::tm& now);

// A valid calendar date and time of day (years 1..9999).
bool IsValidMoment(int year, int month, int day, int hour, int minute, int second);

struct TAuditRow {
  std::string Number;
  std::string Channel;  // "Кан. 2"
  std::string Time;     // "14:45:30"
  std::string Tag;      // "12 34 56 78"
  std::string Event;
};

TAuditRow AuditRow(int number, const TAuditEvent& event);
// The row's channel in parts, marked under the context "Audit"; the event's
// text a window shows translated under "Transact".
TShownText AuditChannel(int channel);
// The list as a spreadsheet file: the byte-order mark and the header row,
// then one CSV row per list row. The same file in every language.
std::string AuditCsvHeader();
std::string AuditCsvRow(const TAuditRow& row);

// The event of a failed poll: channel 0, tag 0, the given time; its row.
TAuditEvent AuditErrorEvent(const std::tm& now);
TAuditRow AuditErrorRow(int number, const std::tm& now);

// Command 181. These commands return the link's result, else the reader's
// answer code: a refused switch is no switch.
int SetAuditMode(TCommandState& s, TInterfList& link, bool on);
// Command 120: empties the reader's event store.
int ClearAuditStore(TCommandState& s, TInterfList& link);
// The audit window's commands 181 and 120: the link's result only; the
// answer code of a well-formed reply is not looked at, so a reader that
// refuses in its reply has switched or cleared as far as the window knows.
int SetAuditModeTransaction(TCommandState& s, TInterfList& link, bool on);
int ClearAuditStoreTransaction(TCommandState& s, TInterfList& link);
// Command 122: the link's result only. On 0 `event` holds the event when
// the reply was exactly 16 bytes long, whatever its answer code, else
// nothing (no event waiting, or a refusal without data).
int ReadAuditEvent(TCommandState& s, TInterfList& link, const std::tm& now, std::optional<TAuditEvent>& event);

}  // namespace q17
