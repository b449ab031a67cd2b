#include "reader/RdrCmd.h"

#include <algorithm>
#include <chrono>

#include "link/ErrMsg.h"

#include "reader/Cp1251.h"

namespace q17 {
namespace {

void Prepare(TCommandState& s, std::uint16_t code, std::initializer_list<std::uint8_t> request) {
  s.CommandCode = code;
  s.PayloadLength = static_cast<std::uint16_t>(request.size());
  std::copy(request.begin(), request.end(), s.Payload.begin());
}

int Command(TCommandState& s, TInterfList& link, std::uint16_t code,
            std::initializer_list<std::uint8_t> request = {}) {
  Prepare(s, code, request);
  return Exchange(s, link);
}

// A read whose reply must hold `size` bytes: a shorter one would leave the
// payload's stale bytes to be taken for the reader's.
int Read(TCommandState& s, TInterfList& link, std::uint16_t code, std::uint16_t size) {
  const int r = Command(s, link, code);
  if (r != 0) return r;
  return s.PayloadLength < size ? rcDataError : 0;
}

std::uint8_t Lo(unsigned v) { return static_cast<std::uint8_t>(v & 0xFF); }
std::uint8_t Hi(unsigned v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }
std::uint16_t Word(const std::array<std::uint8_t, kMaxData>& p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

int ReadTagCount(TCommandState& s, TInterfList& link, std::uint16_t code, std::int32_t& count) {
  count = 0;
  const int r = Read(s, link, code, 1);
  if (r == 0) count = s.Payload[0];
  return r;
}

int ReadTag(TCommandState& s, TInterfList& link, std::uint16_t code, TTagCode& tag) {
  const int r = Read(s, link, code, static_cast<std::uint16_t>(tag.size()));
  if (r == 0) std::copy_n(s.Payload.begin(), tag.size(), tag.begin());
  return r;
}

}  // namespace

TReaderMoment MomentFromTm(const std::tm& t) {
  return TReaderMoment{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                       t.tm_min,         std::min(t.tm_sec, 59), t.tm_wday + 1};
}

std::tm LocalTmNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local;
}

TReaderMoment LocalMomentNow() { return MomentFromTm(LocalTmNow()); }

int Exchange(TCommandState& s, TInterfList& link) {
  const int r = link.Transaction(s.ReaderAddress, s.Payload.data(), s.CommandCode, s.PayloadLength);
  if (r != 0) return r;
  return s.CommandCode;
}

int ReadConfig(TCommandState& s, TInterfList& link) {
  const int r = Read(s, link, cmd::ReadConfig, static_cast<std::uint16_t>(std::tuple_size_v<TConfigBytes>));
  if (r == 0) s.Config = TReaderConfig::FromBytes(s.Payload.data());
  return r;
}

int WriteConfig(TCommandState& s, TInterfList& link) {
  const TConfigBytes block = s.Config.ToBytes();
  s.CommandCode = cmd::WriteConfig;
  s.PayloadLength = static_cast<std::uint16_t>(block.size());
  std::copy(block.begin(), block.end(), s.Payload.begin());
  return Exchange(s, link);
}

int ReadTagMemTime1(TCommandState& s, TInterfList& link) {
  const int r = Read(s, link, cmd::ReadTagMemTime1, 2);
  if (r == 0) s.TMT_1 = Word(s.Payload);
  return r;
}

int ReadTagMemTime2(TCommandState& s, TInterfList& link) {
  const int r = Read(s, link, cmd::ReadTagMemTime2, 2);
  if (r == 0) s.TMT_2 = Word(s.Payload);
  return r;
}

int WriteTagMemTime1(TCommandState& s, TInterfList& link) {
  return Command(s, link, cmd::WriteTagMemTime1, {Lo(s.TMT_1), Hi(s.TMT_1)});
}

int WriteTagMemTime2(TCommandState& s, TInterfList& link) {
  return Command(s, link, cmd::WriteTagMemTime2, {Lo(s.TMT_2), Hi(s.TMT_2)});
}

int ReadAtten1(TCommandState& s, TInterfList& link) {
  const int r = Read(s, link, cmd::ReadAtten1, 1);
  if (r == 0) s.ATT_1 = s.Payload[0];
  return r;
}

int ReadAtten2(TCommandState& s, TInterfList& link) {
  const int r = Read(s, link, cmd::ReadAtten2, 1);
  if (r == 0) s.ATT_2 = s.Payload[0];
  return r;
}

int WriteAtten1(TCommandState& s, TInterfList& link) { return Command(s, link, cmd::WriteAtten1, {s.ATT_1}); }

int WriteAtten2(TCommandState& s, TInterfList& link) { return Command(s, link, cmd::WriteAtten2, {s.ATT_2}); }

int ReadVersionBytes(TCommandState& s, TInterfList& link, std::string& version) {
  const int r = Command(s, link, cmd::ReadVersion);
  if (r == 0) {
    const std::size_t n = std::min<std::size_t>(s.PayloadLength, s.Payload.size());
    version.assign(reinterpret_cast<const char*>(s.Payload.data()), n);
  }
  return r;
}

int ReadVersion(TCommandState& s, TInterfList& link, std::string& version) {
  std::string bytes;
  const int r = ReadVersionBytes(s, link, bytes);
  if (r == 0) version = Cp1251ToUtf8(bytes);
  return r;
}

int SetDateTime(TCommandState& s, TInterfList& link, const TReaderMoment& m) {
  const auto year = static_cast<unsigned>(m.Year);
  // The year goes high byte first, unlike every other word on the line.
  const int r = Command(s, link, cmd::SetDate,
                        {Hi(year), Lo(year), Lo(static_cast<unsigned>(m.Month)), Lo(static_cast<unsigned>(m.Day))});
  if (r != 0) return r;
  return Command(s, link, cmd::SetTime,
                 {Lo(static_cast<unsigned>(m.Hour)), Lo(static_cast<unsigned>(m.Minute)),
                  Lo(static_cast<unsigned>(m.Second)), Lo(static_cast<unsigned>(m.DayOfWeek))});
}

int SetRadioProfile(TCommandState& s, TInterfList& link, const std::array<std::uint8_t, 16>& profile,
                    int channelNo) {
  s.CommandCode = channelNo == 1 ? cmd::SetRadioProfile1 : cmd::SetRadioProfile2;
  s.PayloadLength = static_cast<std::uint16_t>(profile.size());
  std::copy(profile.begin(), profile.end(), s.Payload.begin());
  return Exchange(s, link);
}

int ReadTagCount1(TCommandState& s, TInterfList& link) { return ReadTagCount(s, link, cmd::ReadTagCount1, s.TagCount1); }
int ReadTagCount2(TCommandState& s, TInterfList& link) { return ReadTagCount(s, link, cmd::ReadTagCount2, s.TagCount2); }
int ReadFirstTag1(TCommandState& s, TInterfList& link, TTagCode& tag) { return ReadTag(s, link, cmd::ReadFirstTag1, tag); }
int ReadNextTag1(TCommandState& s, TInterfList& link, TTagCode& tag) { return ReadTag(s, link, cmd::ReadNextTag1, tag); }
int ReadFirstTag2(TCommandState& s, TInterfList& link, TTagCode& tag) { return ReadTag(s, link, cmd::ReadFirstTag2, tag); }
int ReadNextTag2(TCommandState& s, TInterfList& link, TTagCode& tag) { return ReadTag(s, link, cmd::ReadNextTag2, tag); }

int ChangeAddress(TCommandState& s, TInterfList& link, int newAddress) {
  // Readers take 1..127; anything else would go out truncated and leave the
  // program looking for the reader at an address it never took.
  if (newAddress < kMinNewAddress || newAddress > kMaxNewAddress) return rcBadParameter;
  const auto n = static_cast<std::uint8_t>(newAddress);
  if (const int r = Command(s, link, cmd::ChangeAddress, {n, static_cast<std::uint8_t>(255 - n)}); r != 0) return r;
  s.ReaderAddress = newAddress;
  return 0;
}

}  // namespace q17
