#include "reader/Scan.h"

#include "reader/Cp1251.h"

namespace q17 {

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

}  // namespace q17
