#include "reader/TraceFormat.h"

#include <cstdio>
#include <ostream>
#include <vector>

#include "link/Crc16A.h"
#include "link/ErrMsg.h"
#include "link/FrameCodec.h"
#include "reader/CommandNames.h"

namespace q17 {
namespace {

// One frame's body, unescaped, with where each unescaped byte ended on the wire.
struct TUnescaped {
  std::vector<std::uint8_t> Bytes;
  std::vector<std::size_t> WireEnd;  // wire index just past byte i
  bool Broken = false;               // an escape with nothing after it
};

TUnescaped Unescape(const std::uint8_t* bytes, std::size_t begin, std::size_t end) {
  TUnescaped u;
  for (std::size_t i = begin; i < end; ++i) {
    std::uint8_t b = bytes[i];
    if (b == kEscape) {
      if (++i >= end) {
        u.Broken = true;
        break;
      }
      b = static_cast<std::uint8_t>(bytes[i] + 0xF0);
    }
    u.Bytes.push_back(b);
    u.WireEnd.push_back(i + 1);
  }
  return u;
}

std::string CodeText(bool request, std::uint16_t code) {
  std::string text = "code=" + std::to_string(code);
  const char* name = request ? CommandName(code) : GetErrorText(code);
  if (name && *name) text += std::string(" (") + name + ")";
  return text;
}

}  // namespace

std::string WireHex(const std::uint8_t* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(size * 3);
  for (std::size_t i = 0; i < size; ++i) {
    if (i > 0) text += ' ';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

std::string DecodedFrameText(const std::uint8_t* bytes, std::size_t size, bool partial) {
  if (partial || size < 2) return "partial";
  const bool request = bytes[0] == kRequestStart;
  // The body lies between the start and end bytes; its CRC is over the wire bytes.
  const TUnescaped u = Unescape(bytes, 1, size - 1);
  const std::vector<std::uint8_t>& b = u.Bytes;
  std::size_t at = 0;
  if (u.Broken || b.size() < 5) return "broken";
  const std::uint8_t pkt = b[at++];
  const std::uint8_t addr = b[at++];
  const std::uint8_t flags = b[at++];
  std::uint16_t code = b[at++];
  if ((flags & 0x10) != 0 && at < b.size()) code = static_cast<std::uint16_t>(code | (b[at++] << 8));
  std::uint16_t len = at < b.size() ? b[at++] : 0;
  if ((flags & 0x01) != 0 && at < b.size()) len = static_cast<std::uint16_t>(len | (b[at++] << 8));
  std::string text = "pkt=" + std::to_string(pkt) + "\taddr=" + std::to_string(addr) + "\t" + CodeText(request, code) +
                     "\tlen=" + std::to_string(len);
  if (at + len + 2 != b.size()) return text + "\tbroken";
  text += "\tdata=" + WireHex(b.data() + at, len);
  std::uint16_t crc = CrcInit;
  const std::size_t crcWire = u.WireEnd[at + len - 1];  // at >= 5: never before the body
  for (std::size_t i = 1; i < crcWire; ++i) CrcUpdate(crc, bytes[i]);
  const std::uint16_t sent = static_cast<std::uint16_t>(b[at + len] | (b[at + len + 1] << 8));
  if (crc != sent) text += "\tcrc=bad";
  return text;
}

std::string TraceLine(double seconds, const TLineEvent& e) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%.3f\t", seconds);
  switch (e.Kind) {
    case TLineEvent::Tx:
    case TLineEvent::Rx:
    case TLineEvent::RxPartial:
      return stamp + std::string(e.Kind == TLineEvent::Tx ? "TX\t" : "RX\t") + WireHex(e.Bytes, e.Size) + "\t" +
             DecodedFrameText(e.Bytes, e.Size, e.Kind == TLineEvent::RxPartial);
    case TLineEvent::Done:
      if (e.Result == rcOk) return {};
      return stamp + std::string("ERR\t") + FormatResult(e.Result);
  }
  return {};
}

TTraceWriter::TTraceWriter(std::ostream& out, TLineClock::time_point start) : FOut(out), FStart(start) {}

void TTraceWriter::OnLineEvent(const TLineEvent& event) {
  const std::string line = TraceLine(std::chrono::duration<double>(event.Time - FStart).count(), event);
  if (!line.empty()) FOut << line << '\n';
}

}  // namespace q17
