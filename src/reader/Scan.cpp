#include "reader/Scan.h"

#include "link/ErrMsg.h"
#include "reader/Cp1251.h"

namespace q17 {
namespace {

// A reader slower than the time-out answers during the next address's
// exchange: with every address asked under a number of its own, its reply
// matches no later request, and its number says which request it answers.
class TNumberPerRequest {
 public:
  explicit TNumberPerRequest(TInterfList& link) : FLink(link), FWas(link.NumberPerRequest()) {
    link.SetNumberPerRequest(true);
  }
  ~TNumberPerRequest() { FLink.SetNumberPerRequest(FWas); }
  TNumberPerRequest(const TNumberPerRequest&) = delete;
  TNumberPerRequest& operator=(const TNumberPerRequest&) = delete;

 private:
  TInterfList& FLink;
  bool FWas;
};

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
  const TNumberPerRequest numbers(link);
  v.Result = ReadVersionBytes(s, link, v.Bytes);
  v.Heard = link.LastHeardBytes();
  if (v.Result != 0) link.SkipPacketNo();
  return v;
}

// The request asked just before, for telling its late reply.
struct TAsked {
  int Address = 0;
  std::uint8_t PacketNo = 0;
  bool Unanswered = false;  // its exchange failed: a reply may still come
  bool Named = false;       // its reader has been named already (a row of its own)
};

// Whether the bytes that failed the exchange just made are the reply that
// the request before still owed: its number, and its reader's address.
bool IsLateReplyTo(const TAsked& before, const TVersionRead& v, const TInterfList& link) {
  return v.Result == rcBadPacketNo && before.Unanswered && link.EchoPacketNo() == before.PacketNo &&
         link.ReplyAddress() == static_cast<std::uint8_t>(before.Address & 0xFF) && !link.DeviceGone();
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
    int r = 0;
    {
      const TNumberPerRequest numbers(link);
      r = ReadVersionBytes(s, link, bytes);
      if (r != 0) link.SkipPacketNo();
    }
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
  TAsked before;
  bool more = true;
  for (int address = from; address <= to && more; ++address) {
    TVersionRead v;
    bool named = false;  // this address's reader was named slow: no row of its own
    for (int ask = 0;; ++ask) {
      v = ReadVersionAt(s, link, address);
      const bool late = IsLateReplyTo(before, v, link);
      if (late && !before.Named) {
        // A reader is there, slower than the time-out.
        more = !step || step({before.Address, TBusAnswer::Failed, rcTimeout, {}});
        named = before.Address == address;
      }
      // An address asked again may show its own first reply, late.
      const bool again = late && more && ask == 0 && before.Address != address;
      before = {address, v.PacketNo, v.Result != 0, named};
      if (!again) break;
    }
    if (!more) break;
    if (named) continue;
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
    }
    before.Named = reply.Answer != TBusAnswer::Silent;
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
