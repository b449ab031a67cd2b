#pragma once
// One simulated 2xQ17 reader: its state and its answers to commands.
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/ErrMsg.h"
#include "link/KvlInterface.h"
#include "reader/RdrCmd.h"

namespace q17::sim {

// Audit event codes the simulator generates by itself.
enum AuditCode : std::uint16_t {
  evNewTag = 0x0010,
  evTagLost = 0x0011,
  evCarOn = 0x0101,
  evCarOff = 0x0102,
  evGateOn = 0x0103,
  evGateOff = 0x0104,
  evTagToController = 0x0124,
  evWaitCar = 0x0125,
  evCarCrossed = 0x0126,
  evWaitGateClose = 0x0129,
  evCycleDone = 0x012A,
  evGateClosed = 0x012D,
};

using Block = std::array<std::uint8_t, 16>;
using AuditRecord = std::array<std::uint8_t, 16>;

inline constexpr Block kDefaultBlock = {0xAA, 0x55, 0x0A, 0x05, 0x14, 0x1E, 0x1E, 0x08,
                                        0x0A, 0x05, 0x14, 0x1E, 0x1E, 0x08, 0x01, 0x0A};
inline constexpr Block kDefaultProfile = {0x30, 0x30, 0x00, 0x00, 0x00, 0x00, 0x35, 0x00,
                                          0x00, 0x00, 0x00, 0x35, 0x23, 0x6C, 0x65, 0x00};
// Ends with a blank: the PC's reader search drops the last character.
inline constexpr const char* kDefaultVersion = "2xQ17 v1.0 ";
// The reader keeps at most this many audit events; the oldest go first.
inline constexpr std::size_t kMaxAuditEvents = 1000;
// Tags one channel can hold (the count travels in one byte).
inline constexpr std::size_t kMaxTagsPerChannel = 255;

// Calendar date and time as the reader's clock holds them; day of week 1 = Sunday.
struct DateTime {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0, dayOfWeek = 7;
  bool operator==(const DateTime&) const = default;
};

// A running real-time clock: the registers last set plus the time elapsed
// since, on the time source of the bus (milliseconds). The day of week is a
// register of its own, as in a real RTC: setting the date leaves it alone.
class ReaderClock {
 public:
  DateTime Now(std::int64_t nowMs) const;
  // False (nothing changed) when the date does not exist or is outside 2000..2099.
  bool SetDate(int year, int month, int day, std::int64_t nowMs);
  // False when a field is out of range.
  bool SetTime(int hour, int minute, int second, int dayOfWeek, std::int64_t nowMs);
  // Sets all registers at once (validated as above).
  bool Set(const DateTime& value, std::int64_t nowMs);

 private:
  std::chrono::sys_seconds base_ = std::chrono::sys_days{std::chrono::year{2000} / 1 / 1};
  int baseDow_ = 7;
  std::int64_t baseMs_ = 0;
};

struct RadioTest {
  bool running = false;
  std::uint8_t channel = 1;
  std::uint32_t referenceTag = 0;
  std::uint32_t testTag = 0;
  std::uint16_t referenceCount = 0;
  std::uint16_t testCount = 0;
};

struct ReaderState {
  Block block = kDefaultBlock;
  std::array<std::uint16_t, 2> tmt{100, 100};
  std::array<std::uint8_t, 2> att{0, 0};
  std::string version = kDefaultVersion;  // Windows-1251 bytes
  ReaderClock clock;
  std::array<Block, 2> profiles{kDefaultProfile, kDefaultProfile};
  std::array<std::vector<std::uint32_t>, 2> tags;  // tags in each channel's field, in arrival order
  std::array<std::size_t, 2> tagWalk{0, 0};        // next index of the first/next-tag walk
  std::array<std::uint8_t, 4> sensors{0, 0, 0, 0}; // ch1 gate, ch1 car, ch2 gate, ch2 car
  bool auditMode = false;
  std::deque<AuditRecord> audit;
  std::uint64_t auditDropped = 0;  // events lost because the store was full
  RadioTest radio;
  // A forced answer code (0: none) for the next forcedCount replies (-1: all),
  // to requests of command forcedCommand only when it is not 0.
  std::uint16_t forcedAnswer = 0;
  int forcedCount = -1;
  std::uint16_t forcedCommand = 0;
  // A slow reader answers this many ms late and keeps its turn: a request
  // that comes meanwhile waits, and is answered as late after it.
  std::uint32_t slowMs = 0;
};

struct CommandReply {
  std::uint16_t code = rcOk;
  std::vector<std::uint8_t> data;
  std::optional<std::uint8_t> newAddress;  // change of address, applied after the reply
};

class SimReader {
 public:
  // A reader powered on at nowMs: its clock starts at 2000-01-01 00:00:00.
  explicit SimReader(std::uint8_t address, std::int64_t nowMs = 0) : address_(address) { Reset(nowMs); }

  std::uint8_t Address() const { return address_; }
  void SetAddress(std::uint8_t address) { address_ = address; }

  // Carries out one command. `addressFree` tells whether another reader
  // already holds an address (change of address to it is refused).
  CommandReply Handle(std::uint16_t code, const std::vector<std::uint8_t>& data, std::int64_t nowMs,
                      const std::function<bool(std::uint8_t)>& addressFree);

  // The physical world.
  bool AddTag(int channel, std::uint32_t tag, std::int64_t nowMs);     // false: already there or full
  bool RemoveTag(int channel, std::uint32_t tag, std::int64_t nowMs);  // false: not there
  void ClearTags(int channel, std::int64_t nowMs);
  // sensor: 0 gate, 1 car. Queues the sensor's event while audit mode is on.
  void SetSensor(int channel, int sensor, bool on, std::int64_t nowMs);
  // Queues one event with the clock's time plus `secondsLater`.
  void QueueEvent(std::uint16_t code, int channel, std::uint32_t tag, std::int64_t nowMs, int secondsLater = 0);
  // Queues the events of a car passing through `channel` with `tag`, as the
  // operating mode in the block would produce them. Returns how many.
  int QueuePassage(int channel, std::uint32_t tag, std::int64_t nowMs);
  // The test bench around the reader.
  void SetAuditMode(bool on) { state.auditMode = on; }
  void ClearAudit() { state.audit.clear(); }
  // The next `count` replies (-1: all) carry `code` and no data; the command is not carried out.
  // With `command` other than 0 only requests of that command are struck.
  void ForceAnswer(std::uint16_t code, int count, std::uint16_t command = 0) {
    state.forcedAnswer = code;
    state.forcedCount = count;
    state.forcedCommand = command;
  }
  void NormalAnswers() { ForceAnswer(0, -1); }
  void SetRadioCounts(std::uint16_t reference, std::uint16_t test) {
    state.radio.referenceCount = reference;
    state.radio.testCount = test;
  }
  // Windows-1251 bytes; false (nothing changed) beyond the 128 a reply can carry.
  bool SetVersion(std::string bytes) {
    if (bytes.size() > kMaxData) return false;
    state.version = std::move(bytes);
    return true;
  }
  // False (nothing changed) for a date or time the clock cannot hold.
  bool SetClock(const DateTime& value, std::int64_t nowMs) { return state.clock.Set(value, nowMs); }
  // Back to the values the reader starts with (the address stays).
  void Reset(std::int64_t nowMs) {
    state = ReaderState{};
    state.clock.Set(DateTime{}, nowMs);
  }

  ReaderState state;

 private:
  CommandReply HandleTags(std::uint16_t code, const std::vector<std::uint8_t>& data);
  void CountRadioReads();

  std::uint8_t address_;
};

// The 16-byte audit record: code, channel, tag, date and time, little-endian.
AuditRecord MakeAuditRecord(std::uint16_t code, std::uint8_t channel, std::uint32_t tag, const DateTime& when);

}  // namespace q17::sim
