#include "SimReader.h"

#include <algorithm>

namespace q17::sim {
namespace {

using namespace std::chrono;

void PutLe16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t GetLe32(const std::vector<std::uint8_t>& in, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | in[at + static_cast<std::size_t>(i)];
  return v;
}

bool ValidTime(int hour, int minute, int second, int dayOfWeek) {
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59 &&
         dayOfWeek >= 1 && dayOfWeek <= 7;
}

bool ValidDate(int year, int month, int day) {
  if (year < 2000 || year > 2099 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  return year_month_day{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                        std::chrono::day{static_cast<unsigned>(day)}}
      .ok();
}

sys_days DaysOf(int year, int month, int day) {
  return sys_days{year_month_day{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                 std::chrono::day{static_cast<unsigned>(day)}}};
}

std::uint16_t SaturatingIncrement(std::uint16_t v) { return v == 0xFFFF ? v : static_cast<std::uint16_t>(v + 1); }

}  // namespace

DateTime ReaderClock::Now(std::int64_t nowMs) const {
  const std::int64_t elapsed = nowMs > baseMs_ ? (nowMs - baseMs_) / 1000 : 0;
  const sys_seconds t = base_ + seconds{elapsed};
  const sys_days day = floor<days>(t);
  const year_month_day ymd{day};
  const hh_mm_ss hms{t - day};
  const long dayDiff = static_cast<long>((day - floor<days>(base_)).count());
  DateTime out;
  out.year = static_cast<int>(ymd.year());
  out.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  out.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  out.hour = static_cast<int>(hms.hours().count());
  out.minute = static_cast<int>(hms.minutes().count());
  out.second = static_cast<int>(hms.seconds().count());
  out.dayOfWeek = static_cast<int>(((baseDow_ - 1 + dayDiff) % 7 + 7) % 7) + 1;
  return out;
}

bool ReaderClock::SetDate(int year, int month, int day, std::int64_t nowMs) {
  if (!ValidDate(year, month, day)) return false;
  const DateTime now = Now(nowMs);
  base_ = DaysOf(year, month, day) + hours{now.hour} + minutes{now.minute} + seconds{now.second};
  baseDow_ = now.dayOfWeek;
  baseMs_ = nowMs;
  return true;
}

bool ReaderClock::SetTime(int hour, int minute, int second, int dayOfWeek, std::int64_t nowMs) {
  if (!ValidTime(hour, minute, second, dayOfWeek)) return false;
  const DateTime now = Now(nowMs);
  base_ = DaysOf(now.year, now.month, now.day) + hours{hour} + minutes{minute} + seconds{second};
  baseDow_ = dayOfWeek;
  baseMs_ = nowMs;
  return true;
}

bool ReaderClock::Set(const DateTime& v, std::int64_t nowMs) {
  if (!ValidDate(v.year, v.month, v.day) || !ValidTime(v.hour, v.minute, v.second, v.dayOfWeek)) return false;
  base_ = DaysOf(v.year, v.month, v.day) + hours{v.hour} + minutes{v.minute} + seconds{v.second};
  baseDow_ = v.dayOfWeek;
  baseMs_ = nowMs;
  return true;
}

AuditRecord MakeAuditRecord(std::uint16_t code, std::uint8_t channel, std::uint32_t tag, const DateTime& when) {
  AuditRecord r{};
  r[0] = static_cast<std::uint8_t>(code & 0xFF);
  r[1] = static_cast<std::uint8_t>(code >> 8);
  r[2] = channel;
  for (int i = 0; i < 4; ++i) r[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(tag >> (8 * i));
  r[8] = static_cast<std::uint8_t>(when.day);
  r[9] = static_cast<std::uint8_t>(when.month);
  r[10] = static_cast<std::uint8_t>(when.year & 0xFF);
  r[11] = static_cast<std::uint8_t>((when.year >> 8) & 0xFF);
  r[12] = static_cast<std::uint8_t>(when.second);
  r[13] = static_cast<std::uint8_t>(when.minute);
  r[14] = static_cast<std::uint8_t>(when.hour);
  return r;
}

CommandReply SimReader::Handle(std::uint16_t code, const std::vector<std::uint8_t>& data, std::int64_t nowMs,
                               const std::function<bool(std::uint8_t)>& addressFree) {
  CountRadioReads();

  CommandReply reply;
  if (state.forcedAnswer != 0 && (state.forcedCommand == 0 || state.forcedCommand == code)) {
    reply.code = state.forcedAnswer;
    if (state.forcedCount > 0 && --state.forcedCount == 0) state.forcedAnswer = 0;
    return reply;
  }

  auto refuse = [&reply] {
    reply.code = rcBadParameter;
    reply.data.clear();
    return reply;
  };
  const std::size_t n = data.size();
  switch (code) {
    case cmd::ReadConfig:
      if (n != 0) return refuse();
      reply.data.assign(state.block.begin(), state.block.end());
      return reply;
    case cmd::WriteConfig:
      if (n != state.block.size()) return refuse();
      std::copy(data.begin(), data.end(), state.block.begin());
      return reply;
    case cmd::ReadTagMemTime1:
    case cmd::ReadTagMemTime2:
      if (n != 0) return refuse();
      PutLe16(reply.data, state.tmt[code == cmd::ReadTagMemTime1 ? 0 : 1]);
      return reply;
    case cmd::WriteTagMemTime1:
    case cmd::WriteTagMemTime2:
      if (n != 2) return refuse();
      state.tmt[code == cmd::WriteTagMemTime1 ? 0 : 1] = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
      return reply;
    case cmd::ReadAtten1:
    case cmd::ReadAtten2:
      if (n != 0) return refuse();
      reply.data.push_back(state.att[code == cmd::ReadAtten1 ? 0 : 1]);
      return reply;
    case cmd::WriteAtten1:
    case cmd::WriteAtten2:
      if (n != 1 || data[0] > 31) return refuse();
      state.att[code == cmd::WriteAtten1 ? 0 : 1] = data[0];
      return reply;
    case cmd::SetRadioProfile1:
    case cmd::SetRadioProfile2:
      if (n != 16) return refuse();
      std::copy(data.begin(), data.end(), state.profiles[code == cmd::SetRadioProfile1 ? 0 : 1].begin());
      return reply;
    case cmd::ReadVersion: {
      if (n != 0) return refuse();
      const std::size_t size = std::min<std::size_t>(state.version.size(), 128);
      reply.data.assign(state.version.begin(), state.version.begin() + static_cast<long>(size));
      return reply;
    }
    case cmd::SetDate: {
      if (n != 4) return refuse();
      if (!state.clock.SetDate((data[0] << 8) | data[1], data[2], data[3], nowMs)) return refuse();
      return reply;
    }
    case cmd::SetTime:
      if (n != 4) return refuse();
      if (!state.clock.SetTime(data[0], data[1], data[2], data[3], nowMs)) return refuse();
      return reply;
    case cmd::ChangeAddress: {
      if (n != 2) return refuse();
      const std::uint8_t target = data[0];
      if (target == 0 || data[1] != static_cast<std::uint8_t>(255 - target)) return refuse();
      if (target != address_ && addressFree && !addressFree(target)) return refuse();
      reply.newAddress = target;
      return reply;
    }
    case cmd::ReadTagCount1:
    case cmd::ReadFirstTag1:
    case cmd::ReadNextTag1:
    case cmd::ReadTagCount2:
    case cmd::ReadFirstTag2:
    case cmd::ReadNextTag2:
      return HandleTags(code, data);
    case cmd::AuditClear:
      if (n != 0) return refuse();
      state.audit.clear();
      return reply;
    case cmd::AuditReadEvent:
      if (n != 0) return refuse();
      if (!state.audit.empty()) {
        reply.data.assign(state.audit.front().begin(), state.audit.front().end());
        state.audit.pop_front();
      }
      return reply;
    case cmd::AuditMode:
      if (n != 1 || data[0] > 1) return refuse();
      state.auditMode = data[0] == 1;
      return reply;
    case cmd::ReadSensors:
      if (n != 0) return refuse();
      reply.data.assign(state.sensors.begin(), state.sensors.end());
      return reply;
    case cmd::RadioTestStart:
      if (n != 9 || (data[0] != 1 && data[0] != 2)) return refuse();
      state.radio.running = true;
      state.radio.channel = data[0];
      state.radio.referenceTag = GetLe32(data, 1);
      state.radio.testTag = GetLe32(data, 5);
      state.radio.referenceCount = 0;
      state.radio.testCount = 0;
      return reply;
    case cmd::RadioTestStop:
      if (n != 0) return refuse();
      state.radio.running = false;
      PutLe16(reply.data, state.radio.referenceCount);
      PutLe16(reply.data, state.radio.testCount);
      return reply;
    case cmd::Echo:
      reply.data = data;
      return reply;
    default:
      reply.code = rcNotSupported;
      return reply;
  }
}

CommandReply SimReader::HandleTags(std::uint16_t code, const std::vector<std::uint8_t>& data) {
  CommandReply reply;
  if (!data.empty()) {
    reply.code = rcBadParameter;
    return reply;
  }
  const std::size_t ch = code <= cmd::ReadNextTag1 ? 0 : 1;
  const auto& tags = state.tags[ch];
  const int op = (code - cmd::ReadTagCount1) % 3;  // 0 count, 1 first, 2 next
  if (op == 0) {
    reply.data.push_back(static_cast<std::uint8_t>(std::min<std::size_t>(tags.size(), 255)));
    return reply;
  }
  if (op == 1) state.tagWalk[ch] = 0;
  if (state.tagWalk[ch] >= tags.size()) {
    reply.code = rcNoTag;
    return reply;
  }
  PutLe32(reply.data, tags[state.tagWalk[ch]++]);
  return reply;
}

void SimReader::CountRadioReads() {
  RadioTest& r = state.radio;
  if (!r.running) return;
  const auto& tags = state.tags[r.channel == 1 ? 0 : 1];
  auto present = [&tags](std::uint32_t tag) { return std::find(tags.begin(), tags.end(), tag) != tags.end(); };
  if (present(r.referenceTag)) r.referenceCount = SaturatingIncrement(r.referenceCount);
  if (present(r.testTag)) r.testCount = SaturatingIncrement(r.testCount);
}

bool SimReader::AddTag(int channel, std::uint32_t tag, std::int64_t nowMs) {
  auto& tags = state.tags[channel == 1 ? 0 : 1];
  if (tags.size() >= kMaxTagsPerChannel || std::find(tags.begin(), tags.end(), tag) != tags.end()) return false;
  tags.push_back(tag);
  if (state.auditMode) QueueEvent(evNewTag, channel, tag, nowMs);
  return true;
}

bool SimReader::RemoveTag(int channel, std::uint32_t tag, std::int64_t nowMs) {
  auto& tags = state.tags[channel == 1 ? 0 : 1];
  const auto it = std::find(tags.begin(), tags.end(), tag);
  if (it == tags.end()) return false;
  tags.erase(it);
  if (state.auditMode) QueueEvent(evTagLost, channel, tag, nowMs);
  return true;
}

void SimReader::ClearTags(int channel, std::int64_t nowMs) {
  auto& tags = state.tags[channel == 1 ? 0 : 1];
  const auto gone = tags;
  tags.clear();
  if (state.auditMode) {
    for (std::uint32_t tag : gone) QueueEvent(evTagLost, channel, tag, nowMs);
  }
}

void SimReader::SetSensor(int channel, int sensor, bool on, std::int64_t nowMs) {
  std::uint8_t& input = state.sensors[static_cast<std::size_t>((channel == 1 ? 0 : 2) + (sensor == 0 ? 0 : 1))];
  const bool changed = (input != 0) != on;
  input = on ? 1 : 0;
  if (changed && state.auditMode) {
    const std::uint16_t code = sensor == 0 ? (on ? evGateOn : evGateOff) : (on ? evCarOn : evCarOff);
    QueueEvent(code, channel, 0, nowMs);
  }
}

void SimReader::QueueEvent(std::uint16_t code, int channel, std::uint32_t tag, std::int64_t nowMs,
                           int secondsLater) {
  if (state.audit.size() >= kMaxAuditEvents) {
    state.audit.pop_front();
    ++state.auditDropped;
  }
  const DateTime when = state.clock.Now(nowMs + static_cast<std::int64_t>(secondsLater) * 1000);
  state.audit.push_back(MakeAuditRecord(code, static_cast<std::uint8_t>(channel), tag, when));
}

int SimReader::QueuePassage(int channel, std::uint32_t tag, std::int64_t nowMs) {
  struct Step {
    std::uint16_t code;
    bool withTag;
  };
  static const std::vector<Step> kStandard = {
      {evNewTag, true},    {evWaitCar, true},        {evCarOn, false},      {evTagToController, true},
      {evGateOn, false},   {evWaitGateClose, false}, {evCarCrossed, false}, {evCarOff, false},
      {evGateOff, false},  {evGateClosed, false},    {evCycleDone, true},   {evTagLost, true}};
  static const std::vector<Step> kOneRead = {{evNewTag, true},     {evWaitCar, true}, {evCarOn, false},
                                             {evTagToController, true}, {evCarCrossed, false},
                                             {evCarOff, false},    {evCycleDone, true}, {evTagLost, true}};
  static const std::vector<Step> kStream = {{evNewTag, true}, {evTagToController, true}, {evTagLost, true}};
  const std::uint8_t mode = state.block[14];
  const std::vector<Step>& steps = mode == 0 ? kStandard : mode == 2 ? kOneRead : kStream;
  int second = 0;
  for (const Step& s : steps) QueueEvent(s.code, channel, s.withTag ? tag : 0, nowMs, second++);
  return static_cast<int>(steps.size());
}

}  // namespace q17::sim
