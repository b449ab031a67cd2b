#include "link/KvlInterface.h"

#include <algorithm>
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
// fifteen times the longest reply frame (about 4 s at 9600 baud).
constexpr std::size_t kMaxBytesPerExchange = 4096;

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

int TInterfList::AddNetworkPort(const std::string& name, std::optional<int> allowanceMs) {
  if (!IsNetPortName(name)) return -1;
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
  return FFixedAllowanceMs ? *FFixedAllowanceMs : FPort->ReplyAllowanceMs();
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
  FFixedAllowanceMs = NetworkAllowance(index);
  FGoneNoted = false;
  FRxHead = FRxTail = 0;
  FIndex = index;
  return rcOk;
}

int TInterfList::Close() {
  FPort.reset();
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
  if (!FObserver) return Exchange(address, data, code, length);
  const TLineClock::time_point start = TLineClock::now();
  const int result = Exchange(address, data, code, length);
  if (!FObserver) return result;  // detached itself while it was told
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
  const int result = ReceiveReply(data, code, length);
  NoteDeviceGone();
  return result;
}

int TInterfList::ReceiveReply(std::uint8_t* data, std::uint16_t& code, std::uint16_t& length) {
  TReplyDecoder decoder(FPacketNo, data, {FEchoPacketNo, FReplyFlags, code, length});
  int result = rcTimeout;
  std::size_t budget = kMaxBytesPerExchange;
  while (result == rcTimeout && budget > 0 && FillRx()) {
    std::size_t used = 0;
    const TReplyStep step = decoder.Feed(FRx.data() + FRxHead, std::min(FRxTail - FRxHead, budget), used);
    if (FObserver) Observe(TLineEvent::Rx, FRx.data() + FRxHead, used);
    FRxHead += used;
    FHeardBytes += used;
    budget -= used;
    switch (step) {
      case TReplyStep::More:
        break;
      case TReplyStep::Complete:
        ++FPacketNo;
        result = rcOk;
        break;
      case TReplyStep::WrongPacketNo:
        // The rest of that reply must not answer the next request.
        DrainUntilSilent(budget);
        result = rcBadPacketNo;
        break;
      case TReplyStep::Oversize:
        result = rcBufferOverflow;
        break;
    }
  }
  const TReplyFields& fields = decoder.Fields();
  FEchoPacketNo = fields.EchoPacketNo;
  FReplyFlags = fields.Flags;
  code = fields.Code;
  length = fields.Length;
  return result;
}

bool TInterfList::FillRx() {
  if (FRxHead < FRxTail) return true;
  FRxHead = FRxTail = 0;
  const long n = FPort->Read(FRx.data(), FRx.size(), FReadTimeout + ReplyAllowanceMs());
  if (n <= 0) return false;
  FRxTail = static_cast<std::size_t>(std::min<long>(n, static_cast<long>(FRx.size())));
  return true;
}

void TInterfList::DrainUntilSilent(std::size_t& budget) {
  while (budget > 0 && FillRx()) {
    const std::size_t n = std::min(FRxTail - FRxHead, budget);
    if (FObserver) Observe(TLineEvent::Rx, FRx.data() + FRxHead, n);
    FRxHead += n;
    FHeardBytes += n;
    budget -= n;
  }
}

}  // namespace q17
