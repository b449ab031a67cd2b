#include "reader/Scan.h"

#include "link/ErrMsg.h"
#include "reader/Cp1251.h"

namespace q17 {
namespace {

struct TVersionRead {
  int Result = 0;
  std::size_t Heard = 0;
  std::uint8_t PacketNo = 0;
  std::string Bytes;
};

TVersionRead ReadVersionAt(TCommandState& s, TInterfList& link, int address) {
  TVersionRead v;
  s.ReaderAddress = address;
  v.PacketNo = link.PacketNo();
  v.Result = ReadVersionBytes(s, link, v.Bytes);
  v.Heard = link.LastHeardBytes();
  // A reader slower than the time-out answers during the next address's
  // exchange; with the number it was asked under, its reply matches no more.
  if (v.Result != 0) link.SkipPacketNo();
  return v;
}

}  // namespace

std::string LeftFill(const std::string& text, std::size_t width, char fill) {
  if (text.size() >= width) return text;
  return std::string(width - text.size(), fill) + text;
}

std::string ScanLine(int address, const std::string& text) {
  return "Addr=" + LeftFill(std::to_string(address), 2) + " [" + text + "]";
}

std::optional<int> ScanLineAddress(const std::string& line) {
  const std::string prefix = "Addr=";
  if (line.rfind(prefix, 0) != 0) return std::nullopt;
  const std::size_t end = line.find(" [", prefix.size());
  if (end == std::string::npos || end == prefix.size() || end - prefix.size() > 3 || line.back() != ']')
    return std::nullopt;
  int address = 0;
  for (std::size_t i = prefix.size(); i < end; ++i) {
    if (line[i] < '0' || line[i] > '9') return std::nullopt;
    address = address * 10 + (line[i] - '0');
  }
  if (address < kScanFirstAddress || address > kScanLastAddress) return std::nullopt;
  return address;
}

int ScanReaders(TCommandState& s, TInterfList& link, int from, int to, const TScanStep& step) {
  const std::int32_t saved = s.ReaderAddress;
  int found = 0;
  for (int address = from; address <= to; ++address) {
    s.ReaderAddress = address;
    std::string bytes;
    const int r = ReadVersionBytes(s, link, bytes);
    // A reader slower than the time-out answers during the next address's
    // exchange; with the number it was asked under, its reply matches no more.
    if (r != 0) link.SkipPacketNo();
    std::string text;
    if (r == 0) {
      ++found;
      // Drop the last byte before converting: one byte is one character.
      if (!bytes.empty()) bytes.pop_back();
      text = Cp1251ToUtf8(bytes);
    }
    if (step && !step(address, r, text)) break;
  }
  s.ReaderAddress = saved;
  return found;
}

int ScanBus(TCommandState& s, TInterfList& link, int from, int to, const TBusStep& step) {
  const std::int32_t saved = s.ReaderAddress;
  int found = 0;
  // The address just before, when it was silent (0: it was not), and the
  // packet number it was asked under.
  int silentAddress = 0;
  std::uint8_t silentPacketNo = 0;
  for (int address = from; address <= to; ++address) {
    TVersionRead v = ReadVersionAt(s, link, address);
    if (v.Result == rcBadPacketNo && silentAddress != 0 && link.EchoPacketNo() == silentPacketNo &&
        !link.DeviceGone()) {
      if (step && !step({silentAddress, TBusAnswer::Failed, rcTimeout, {}})) break;
      v = ReadVersionAt(s, link, address);
    }
    silentAddress = 0;
    TBusReply reply{address, TBusAnswer::Failed, v.Result, {}};
    if (link.DeviceGone()) {
      reply.Answer = TBusAnswer::LineGone;
      reply.Result = rcPortClosed;
    } else if (v.Result == 0) {
      ++found;
      reply.Answer = TBusAnswer::Reader;
      reply.Version = Cp1251ToUtf8(v.Bytes);
    } else if (v.Result == rcTimeout && v.Heard == 0) {
      reply.Answer = TBusAnswer::Silent;
      silentAddress = address;
      silentPacketNo = v.PacketNo;
    }
    if ((step && !step(reply)) || reply.Answer == TBusAnswer::LineGone) break;
  }
  s.ReaderAddress = saved;
  return found;
}

std::string WithoutLastCharacter(const std::string& utf8) {
  std::size_t end = utf8.size();
  while (end > 0 && (static_cast<unsigned char>(utf8[end - 1]) & 0xC0) == 0x80) --end;
  return utf8.substr(0, end > 0 ? end - 1 : 0);
}

}  // namespace q17
