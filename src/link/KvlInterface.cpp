#include "link/KvlInterface.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iterator>
#include <string_view>

#include "link/ComPort.h"
#include "link/ErrMsg.h"
#include "link/FtdiPort.h"
#include "platform/NetPortName.h"

namespace q17 {
namespace {

// No USB bus holds more adapters than this; a driver that claims more is broken.
constexpr std::uint32_t kMaxFtdiDevices = 128;

// A line that never falls silent (another master, a babbling device) must
// not hold the program for ever: one exchange reads at most this many bytes,
// fifteen times the longest reply frame, and for at most ExchangeBoundMs.
constexpr std::size_t kMaxBytesPerExchange = 4096;

// The longest reply a reader may send: two-byte code and length fields,
// kMaxData data bytes and every byte of the body escaped, between its start
// and end bytes.
constexpr std::size_t kLongestReplyBytes = 1 + 2 * (1 + 1 + 1 + 2 + 2 + kMaxData + 2) + 1;

// Start, stop and eight data bits.
constexpr std::uint64_t kBitsPerByte = 10;

// Requests under one number that went unanswered and are still waited for;
// older ones are forgotten, as is any owed for longer than a reply can lag.
constexpr std::size_t kMaxUnanswered = 8;

using Ms = std::chrono::milliseconds;

double MsBetween(TLineClock::time_point from, TLineClock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

std::string ZeroPadded(unsigned value, std::size_t width) {
  std::string text = std::to_string(value);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

}  // namespace

TInterfaceDescriptor::TInterfaceDescriptor(std::int32_t kind, const std::string& name)
    : Kind(kind), Name(name.substr(0, 16)) {}

TInterfList::TInterfList(SerialApi& serial, D2xxApi& d2xx) : FSerial(serial), FD2xx(d2xx) {}

TInterfList::~TInterfList() { Close(); }

std::uint32_t TInterfList::BaudRate(int baudIndex) {
  static constexpr std::uint32_t kRates[] = {9600, 14400, 19200, 38400, 57600, 115200};
  if (baudIndex < 0 || baudIndex >= static_cast<int>(std::size(kRates))) return 9600;
  return kRates[baudIndex];
}

std::string TInterfList::DeviceCode(const std::string& serialNumber) {
  if (serialNumber.size() < 8) return {};
  auto at = [&](std::size_t oneBased) { return static_cast<unsigned char>(serialNumber[oneBased - 1]); };
  // A digit pair packed as (tens + 1, units + 1) in the two nibbles. A
  // foreign serial number may hold a 0 nibble: keep the sign, never wrap.
  auto pair = [&](std::size_t oneBased) -> long {
    unsigned char c = at(oneBased);
    return (static_cast<long>(c >> 4) - 1) * 10 + (static_cast<long>(c & 0x0F) - 1);
  };
  const std::string a = ZeroPadded(at(3) + 46u, 3);
  const std::string b = ZeroPadded(at(4), 2);
  const long c = pair(6) * 10000 + pair(7) * 100 + pair(8);
  std::string cText = c < 0 ? std::to_string(c) : ZeroPadded(static_cast<unsigned>(c), 4);
  return a + "-" + b + "-" + cText;
}

int TInterfList::IndexOf(const std::string& text) const {
  for (std::size_t i = 0; i < FEntries.size(); ++i) {
    if (FEntries[i].Text == text) return static_cast<int>(i);
  }
#ifdef _WIN32
  // Windows port names do not depend on case: "com5" is COM5; and the
  // device namespace's "\\.\COM5" is COM5 too.
  constexpr std::string_view kDeviceNamespace = "\\\\.\\";
  const std::string_view port =
      std::string_view(text).starts_with(kDeviceNamespace) ? std::string_view(text).substr(kDeviceNamespace.size()) : text;
  const auto upper = [](unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); };
  for (std::size_t i = 0; i < FEntries.size(); ++i) {
    const std::string& name = FEntries[i].Text;
    if (FEntries[i].Descriptor.Kind == ikComPort && name.size() == port.size() &&
        std::equal(name.begin(), name.end(), port.begin(), [&](char a, char b) { return upper(a) == upper(b); })) {
      return static_cast<int>(i);
    }
  }
#endif
  return -1;
}

void TInterfList::Refresh() {
  FEntries.clear();

  std::uint32_t count = 0;
  if (FD2xx.Available() && FD2xx.ListDevicesCount(count) == FT_OK) {
    count = std::min(count, kMaxFtdiDevices);
    for (std::uint32_t i = 0; i < count; ++i) {
      FtHandle handle = 0;
      if (FD2xx.Open(static_cast<int>(i), handle) != FT_OK) continue;
      FtEepromData eeprom;
      if (FD2xx.EeRead(handle, eeprom) == FT_OK && eeprom.vendorId == kFtdiVendorId &&
          eeprom.productId == kReaderProductId) {
        std::string code = DeviceCode(eeprom.serialNumber);
        if (code.empty()) code = eeprom.serialNumber;
        std::string text = code.empty() ? eeprom.description : eeprom.description + " (" + code + ")";
        FEntries.push_back({text, TInterfaceDescriptor(ikFtdi, eeprom.serialNumber)});
      }
      FD2xx.Close(handle);
    }
  }
  // Serial ports are listed even when the USB side fails: a broken FTDI
  // driver must not hide the ports that work.
  for (const TSerialPortInfo& port : FSerial.ListSerialPorts()) {
    FEntries.push_back({port.Name, TInterfaceDescriptor(ikComPort, "")});
  }
  for (const NetworkPort& port : FNetworkPorts) FEntries.push_back({port.Name, TInterfaceDescriptor(ikComPort, "")});
}

int TInterfList::AddNetworkPort(const std::string& typed, std::optional<int> allowanceMs) {
  const auto parsed = ParseNetPortName(typed);
  if (!parsed) return -1;
  const std::string name = FormatNetPortName(*parsed);
  if (allowanceMs) allowanceMs = std::clamp(*allowanceMs, 0, kMaxNetworkAllowanceMs);
  for (NetworkPort& port : FNetworkPorts) {
    if (port.Name == name) {
      port.AllowanceMs = allowanceMs;
      return IndexOf(name);
    }
  }
  if (const int index = IndexOf(name); index >= 0) return index;  // a local port of that name
  FNetworkPorts.push_back({name, allowanceMs});
  FEntries.push_back({name, TInterfaceDescriptor(ikComPort, "")});
  return Count() - 1;
}

bool TInterfList::RemoveNetworkPort(int index) {
  const NetworkPort* port = FindNetworkPort(index);
  if (!port || (FPort && index == FIndex)) return false;
  FNetworkPorts.erase(FNetworkPorts.begin() + (port - FNetworkPorts.data()));
  FEntries.erase(FEntries.begin() + index);
  if (FPort && FIndex > index) --FIndex;
  return true;
}

const TInterfList::NetworkPort* TInterfList::FindNetworkPort(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  const Entry& entry = FEntries[static_cast<std::size_t>(index)];
  if (entry.Descriptor.Kind != ikComPort) return nullptr;
  for (const NetworkPort& port : FNetworkPorts) {
    if (port.Name == entry.Text) return &port;
  }
  return nullptr;
}

bool TInterfList::IsNetworkPort(int index) const { return FindNetworkPort(index) != nullptr; }

std::optional<int> TInterfList::NetworkAllowance(int index) const {
  const NetworkPort* port = FindNetworkPort(index);
  return port ? port->AllowanceMs : std::nullopt;
}

int TInterfList::ReplyAllowanceMs() const {
  if (!FPort) return 0;
  if (FFixedAllowanceMs) return *FFixedAllowanceMs;
  return FNetwork ? FTimer.AllowanceMs() : FPort->ReplyAllowanceMs();
}

int TInterfList::LineTimeMs(std::size_t bytes) const {
  const std::uint64_t baud = FBaud > 0 ? FBaud : 9600;
  return static_cast<int>((bytes * kBitsPerByte * 1000 + baud - 1) / baud);
}

int TInterfList::ExchangeBoundMs() const {
  return LineTimeMs(kLongestReplyBytes) + FReadTimeout + ReplyAllowanceMs();
}

void TInterfList::SkipPacketNo() {
  ++FPacketNo;
  FUnanswered.clear();
}

int TInterfList::Open(int index, int baudIndex) {
  FLastOpenFailure = TOpenFailure{};
  if (index < 0 || index >= Count()) return rcBadPort;
  if (FPort) {
    FLastOpenFailure.Reason = OpenFailure::Busy;
    FLastOpenFailure.Detail = "a port is already open";
    return rcOpenError;
  }
  const Entry& entry = FEntries[static_cast<std::size_t>(index)];
  const std::uint32_t baud = BaudRate(baudIndex);
  TPortOpening opening;
  if (entry.Descriptor.Kind == ikComPort) {
    opening = OpenComPort(FSerial, entry.Text, baud);
  } else if (entry.Descriptor.Kind == ikFtdi) {
    opening = OpenFtdiPort(FD2xx, entry.Descriptor.Name, baud);
  } else {
    return rcBadPort;
  }
  if (!opening.Port) {
    FLastOpenFailure = std::move(opening.Failure);
    return rcOpenError;
  }
  FPort = std::move(opening.Port);
  ++FPortSession;
  FFixedAllowanceMs = NetworkAllowance(index);
  FNetwork = FPort->IsNetwork();
  FTimer.Start(FPort->ReplyAllowanceMs());
  FUnanswered.clear();
  FBaud = baud;
  FGoneNoted = false;
  FRxHead = FRxTail = 0;
  FIndex = index;
  return rcOk;
}

int TInterfList::Close() {
  if (FPort) ++FPortSession;
  FPort.reset();
  FNetwork = false;
  FUnanswered.clear();
  FRxHead = FRxTail = 0;
  FIndex = -1;
  return rcOk;
}

void TInterfList::SetReadTimeout(int value) {
  if (value >= 20 && value <= 1000) FReadTimeout = value;
}

bool TInterfList::CheckOpenDevice() {
  if (!FPort) return true;
  if (FPort->Present()) return true;
  NoteDeviceGone();
  return false;
}

void TInterfList::NoteDeviceGone() {
  if (FGoneNoted || !FPort || !FPort->Gone()) return;
  FGoneNoted = true;
  if (FOnDeviceGone) FOnDeviceGone();
}

int TInterfList::Transaction(int address, std::uint8_t* data, std::uint16_t& code, std::uint16_t& length) {
  const TLineClock::time_point start = FObserver ? TLineClock::now() : TLineClock::time_point{};
  const int result = Exchange(address, data, code, length);
  if (!FObserver) return result;  // none, or detached itself while it was told
  FRxSplitter.Finish(*FObserver);
  TLineEvent done;
  done.Kind = TLineEvent::Done;
  done.Time = TLineClock::now();
  done.Result = result;
  done.Duration = done.Time - start;
  FObserver->OnLineEvent(done);
  return result;
}

void TInterfList::Observe(TLineEvent::TKind kind, const std::uint8_t* bytes, std::size_t size) {
  if (kind != TLineEvent::Tx) {
    FRxSplitter.Feed(bytes, size, *FObserver);
    return;
  }
  TLineEvent e;
  e.Kind = kind;
  e.Time = TLineClock::now();
  e.Bytes = bytes;
  e.Size = size;
  FObserver->OnLineEvent(e);
}

int TInterfList::Exchange(int address, std::uint8_t* data, std::uint16_t& code, std::uint16_t& length) {
  FHeardBytes = 0;
  // A device that has gone cannot answer: no write, no time-out to sit out.
  if (!FPort || FPort->Gone()) return rcPortClosed;
  // A request must fit the data area and, escaped, the frame buffer;
  // anything larger is refused before a byte goes out.
  const TRequest request{FPacketNo, static_cast<std::uint8_t>(address & 0xFF), FFlags, code, data, length};
  FFrameLen = length > kMaxData ? 0 : EncodeRequest(request, FFrame);
  if (FFrameLen == 0) {
    length = 0;
    return rcBufferOverflow;
  }
  if (FObserver) Observe(TLineEvent::Tx, FFrame.data(), FFrameLen);
  if (!FPort->Write(FFrame.data(), FFrameLen)) {
    NoteDeviceGone();
    return rcWriteError;
  }
  const TLineClock::time_point sent = TLineClock::now();
  // A local port's write returns once the request has crossed the line; a
  // network port's once the server has it, which then puts it on its line.
  const int requestLineMs = FNetwork ? LineTimeMs(FFrameLen) : 0;
  while (!FUnanswered.empty() && MsBetween(FUnanswered.front(), sent) > FReadTimeout + 2 * kMaxNetworkAllowanceMs) {
    FUnanswered.pop_front();
  }
  const int result = ReceiveReply(data, code, length, sent, requestLineMs);
  if (result == rcOk) FUnanswered.clear();
  if (QuietsAfterFailure() && !FPort->Gone() &&
      (result == rcTimeout || result == rcBadPacketNo || result == rcBufferOverflow)) {
    AwaitQuiet(result, sent, requestLineMs);
  }
  NoteDeviceGone();
  return result;
}

int TInterfList::ReceiveReply(std::uint8_t* data, std::uint16_t& code, std::uint16_t& length,
                              TLineClock::time_point sent, int requestLineMs) {
  const TReplyFields before{FEchoPacketNo, FReplyAddress, FReplyFlags, code, length};
  TReplyDecoder decoder(FPacketNo, data, before);
  // Replies that earlier requests under this number still owe come first:
  // each is held, and the reply after it is this request's; one that no
  // other follows was this request's after all.
  std::size_t owed = FUnanswered.size();
  bool holding = false;
  TReplyFields held{};
  int result = rcTimeout;
  std::size_t budget = kMaxBytesPerExchange;
  TLineClock::time_point deadline = sent + Ms(requestLineMs + ExchangeBoundMs());
  int waitMs = FReadTimeout + ReplyAllowanceMs() + requestLineMs;
  // When this frame's first bytes came from the port, for the reply timer.
  std::optional<TLineClock::time_point> frameAt;
  bool measurable = true;
  TFill fill = TFill::Data;
  while (result == rcTimeout && budget > 0) {
    bool fresh = false;
    fill = FillRx(waitMs, deadline, &fresh);
    if (fill != TFill::Data) break;
    if (!frameAt) {
      frameAt = TLineClock::now();
      measurable = fresh;
    }
    std::size_t used = 0;
    const TReplyStep step = decoder.Feed(FRx.data() + FRxHead, std::min(FRxTail - FRxHead, budget), used);
    if (FObserver) Observe(TLineEvent::Rx, FRx.data() + FRxHead, used);
    FRxHead += used;
    FHeardBytes += used;
    budget -= used;
    waitMs = FReadTimeout + ReplyAllowanceMs();
    switch (step) {
      case TReplyStep::More:
        break;
      case TReplyStep::Complete:
        if (owed > 0) {
          --owed;
          const TLineClock::time_point owedSent = FUnanswered.front();
          FUnanswered.pop_front();
          if (holding) std::copy_n(FScratch.begin(), decoder.Fields().Length, data);
          holding = true;
          held = decoder.Fields();
          decoder = TReplyDecoder(FPacketNo, FScratch.data(), held);
          // The next reply lags its request as this one did: it comes as
          // much later as its request went out after this one's.
          const TLineClock::time_point nextSent = FUnanswered.empty() ? sent : FUnanswered.front();
          waitMs += static_cast<int>(MsBetween(owedSent, nextSent));
          deadline = TLineClock::now() + Ms(waitMs + ExchangeBoundMs());
          frameAt.reset();
          break;
        }
        if (holding) std::copy_n(FScratch.begin(), decoder.Fields().Length, data);
        if (Adaptive() && measurable) FTimer.Sample(MsBetween(sent, *frameAt) - requestLineMs);
        holding = false;
        ++FPacketNo;
        result = rcOk;
        break;
      case TReplyStep::WrongPacketNo:
        // The rest of that reply must not answer the next request.
        DrainUntilSilent(budget, &decoder);
        result = rcBadPacketNo;
        break;
      case TReplyStep::Oversize:
        result = rcBufferOverflow;
        break;
    }
  }
  TReplyFields fields = decoder.Fields();
  if (result == rcTimeout && holding && fill == TFill::Silent) {
    // Nothing followed the reply held: the requests before were not answered.
    fields = held;
    FUnanswered.clear();
    ++FPacketNo;
    result = rcOk;
  } else if (result == rcTimeout && fill == TFill::Expired && !QuietsAfterFailure()) {
    // Bytes kept coming for longer than any reply takes (a network port's
    // quiet wait drains them too).
    DrainUntilSilent(budget, nullptr);
  }
  FEchoPacketNo = fields.EchoPacketNo;
  FReplyAddress = fields.Address;
  FReplyFlags = fields.Flags;
  code = fields.Code;
  length = fields.Length;
  return result;
}

TInterfList::TFill TInterfList::FillRx(int waitMs, TLineClock::time_point deadline, bool* fresh) {
  if (FRxHead < FRxTail) return TFill::Data;
  FRxHead = FRxTail = 0;
  const double left = MsBetween(TLineClock::now(), deadline);
  if (left <= 0) return TFill::Expired;
  const int wait = std::min(waitMs, static_cast<int>(std::ceil(left)));
  const long n = FPort->Read(FRx.data(), FRx.size(), wait);
  if (n <= 0) return wait < waitMs && TLineClock::now() >= deadline ? TFill::Expired : TFill::Silent;
  FRxTail = static_cast<std::size_t>(std::min<long>(n, static_cast<long>(FRx.size())));
  if (fresh) *fresh = true;
  return TFill::Data;
}

void TInterfList::DrainUntilSilent(std::size_t& budget, TReplyDecoder* decoder) {
  const TLineClock::time_point deadline = TLineClock::now() + Ms(ExchangeBoundMs());
  while (budget > 0 && FillRx(FReadTimeout + ReplyAllowanceMs(), deadline) == TFill::Data) {
    const std::size_t n = std::min(FRxTail - FRxHead, budget);
    // Who sent the wrong reply, for a caller that tells a late reader by it.
    for (std::size_t i = 0; decoder && decoder->AwaitsAddress() && i < n; ++i) decoder->Feed(FRx[FRxHead + i]);
    if (FObserver) Observe(TLineEvent::Rx, FRx.data() + FRxHead, n);
    FRxHead += n;
    FHeardBytes += n;
    budget -= n;
  }
}

void TInterfList::AwaitQuiet(int result, TLineClock::time_point sent, int requestLineMs) {
  const bool silent = FHeardBytes == 0;
  if (result == rcTimeout && Adaptive()) FTimer.BackOff();
  const int quietMs = ReplyAllowanceMs();
  const TLineClock::time_point deadline = TLineClock::now() + Ms(quietMs + ExchangeBoundMs());
  // Replies under this number that come now: each answers the oldest
  // request still owed one, this request last.
  TReplyDecoder late(FPacketNo, FScratch.data());
  std::size_t answers = 0;
  std::optional<TLineClock::time_point> firstAt;
  std::size_t budget = kMaxBytesPerExchange;
  while (budget > 0 && FillRx(quietMs, deadline) == TFill::Data) {
    if (!firstAt) firstAt = TLineClock::now();
    std::size_t at = FRxHead;
    const std::size_t end = FRxHead + std::min(FRxTail - FRxHead, budget);
    while (at < end) {
      std::size_t used = 0;
      const TReplyStep step = late.Feed(FRx.data() + at, end - at, used);
      at += used;
      if (step == TReplyStep::Complete) ++answers;
      if (step != TReplyStep::More) late = TReplyDecoder(FPacketNo, FScratch.data());
    }
    if (FObserver) Observe(TLineEvent::Rx, FRx.data() + FRxHead, end - FRxHead);
    FHeardBytes += end - FRxHead;
    budget -= end - FRxHead;
    FRxHead = end;
  }
  const std::size_t owed = FUnanswered.size();
  if (silent && answers > 0 && owed == 0 && Adaptive()) {
    // This request's own reply, late: how late says what the network adds.
    FTimer.Sample(MsBetween(sent, *firstAt) - requestLineMs);
  } else if (!firstAt && Adaptive()) {
    // Nothing at all came: the time-out was silence, not lag.
    FTimer.Relax();
  }
  for (std::size_t i = 0; i < answers && !FUnanswered.empty(); ++i) FUnanswered.pop_front();
  if (silent && answers <= owed) {
    FUnanswered.push_back(sent);
    if (FUnanswered.size() > kMaxUnanswered) FUnanswered.pop_front();
  }
}

}  // namespace q17
