#include "link/KvlInterface.h"

#include <algorithm>
#include <iterator>

#include "link/Crc16A.h"
#include "link/ErrMsg.h"

namespace q17 {
namespace {

enum RxState { rsWaitStart, rsPacketNo, rsAddress, rsFlags, rsCode, rsLength, rsData, rsCrc };

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
  for (const std::string& name : FSerial.PortNames()) {
    FEntries.push_back({name, TInterfaceDescriptor(ikComPort, "")});
  }
}

int TInterfList::Open(int index, int baudIndex) {
  FLastOpenFailure = OpenFailure::None;
  FLastOpenDetail.clear();
  FLastOpenGroup.clear();
  if (index < 0 || index >= Count()) return rcBadPort;
  if (FHandle != 0) {
    FLastOpenFailure = OpenFailure::Busy;
    FLastOpenDetail = "a port is already open";
    return rcOpenError;
  }
  const Entry& entry = FEntries[static_cast<std::size_t>(index)];
  const std::uint32_t baud = BaudRate(baudIndex);
  int result = rcBadPort;
  if (entry.Descriptor.Kind == ikComPort) {
    result = OpenComPort(entry, baud);
  } else if (entry.Descriptor.Kind == ikFtdi) {
    result = OpenFtdi(entry, baud);
  }
  if (result != rcOk) return result;
  FRxHead = FRxTail = 0;
  FIndex = index;
  FOpened = true;
  return rcOk;
}

int TInterfList::OpenComPort(const Entry& entry, std::uint32_t baud) {
  const PortHandle handle = FSerial.Open(entry.Text, SerialOpenArgs{});
  if (handle == 0) {
    FHandle = 0;
    FLastOpenFailure = FSerial.LastOpenFailure();
    FLastOpenDetail = FSerial.LastOpenDetail();
    FLastOpenGroup = FSerial.LastOpenGroup();
    return rcOpenError;
  }
  LineState line;
  FSerial.GetCommState(handle, line);
  line.baudRate = baud;
  line.byteSize = 8;
  line.parity = 0;
  line.stopBits = 0;
  FSerial.SetCommState(handle, line);
  FSerial.SetCommTimeouts(handle, CommTimeouts{kMaxDword, 0, 0, 1, 100});
  FKind = ikComPort;
  FHandle = handle;
  return rcOk;
}

int TInterfList::OpenFtdi(const Entry& entry, std::uint32_t baud) {
  FtHandle handle = 0;
  const FtStatus status = FD2xx.OpenEx(entry.Descriptor.Name, FT_OPEN_BY_SERIAL_NUMBER, handle);
  if (status != FT_OK || handle == 0) {
    FHandle = 0;
    FLastOpenFailure = status == FT_DEVICE_NOT_FOUND ? OpenFailure::NoDevice : OpenFailure::Busy;
    FLastOpenDetail = "FT_OpenEx status " + std::to_string(status);
    return rcOpenError;
  }
  FD2xx.SetBaudRate(handle, baud);
  FD2xx.SetDataCharacteristics(handle, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE);
  FD2xx.SetFlowControl(handle, FT_FLOW_NONE, 0, 0);
  FD2xx.SetTimeouts(handle, 1, 50);
  FFtReadTimeout = 1;
  FBaud = baud;
  FKind = ikFtdi;
  FHandle = handle;
  return rcOk;
}

int TInterfList::Close() {
  if (FHandle != 0) {
    if (FKind == ikComPort) {
      FSerial.Close(FHandle);
    } else if (FKind == ikFtdi) {
      FD2xx.Close(FHandle);
    }
    FKind = ikNone;
    FHandle = 0;
  }
  FRxHead = FRxTail = 0;
  FIndex = -1;
  FOpened = false;
  return rcOk;
}

void TInterfList::SetReadTimeout(int value) {
  if (value >= 20 && value <= 1000) FReadTimeout = value;
}

bool TInterfList::PutRaw(std::uint8_t b) {
  if (FBufLen >= FBuffer.size()) return false;
  FBuffer[FBufLen++] = b;
  return true;
}

bool TInterfList::PutByte(std::uint8_t b, std::uint16_t& crc) {
  if (b >= kEscape) {
    CrcUpdate(crc, kEscape);
    if (!PutRaw(kEscape)) return false;
    b = static_cast<std::uint8_t>(b - 0xF0);
  }
  CrcUpdate(crc, b);
  return PutRaw(b);
}

bool TInterfList::BuildRequest(int address, const std::uint8_t* data, std::uint16_t code,
                               std::uint16_t length) {
  FBufLen = 0;
  std::uint16_t crc = CrcInit;
  bool ok = PutRaw(kRequestStart);
  ok = ok && PutByte(FPacketNo, crc);
  ok = ok && PutByte(static_cast<std::uint8_t>(address & 0xFF), crc);
  ok = ok && PutByte(FFlags, crc);
  ok = ok && PutByte(static_cast<std::uint8_t>(code & 0xFF), crc);
  if ((FFlags & 0xF0) == 0x10) ok = ok && PutByte(static_cast<std::uint8_t>(code >> 8), crc);
  ok = ok && PutByte(static_cast<std::uint8_t>(length & 0xFF), crc);
  if ((FFlags & 0x0F) == 0x01) ok = ok && PutByte(static_cast<std::uint8_t>(length >> 8), crc);
  for (std::uint16_t i = 0; ok && i < length; ++i) ok = PutByte(data[i], crc);
  // The CRC bytes are escaped like the body but do not enter the CRC.
  for (std::uint8_t b : {static_cast<std::uint8_t>(crc & 0xFF), static_cast<std::uint8_t>(crc >> 8)}) {
    if (b >= kEscape) {
      ok = ok && PutRaw(kEscape);
      b = static_cast<std::uint8_t>(b - 0xF0);
    }
    ok = ok && PutRaw(b);
  }
  ok = ok && PutRaw(kRequestEnd);
  FFrameLen = ok ? FBufLen : 0;
  return ok;
}

bool TInterfList::WriteFrame() {
  if (FKind == ikComPort) {
    return FSerial.Write(FHandle, FBuffer.data(), FBufLen) == static_cast<long>(FBufLen);
  }
  std::uint32_t written = 0;
  return FD2xx.Write(FHandle, FBuffer.data(), FBufLen, written) == FT_OK && written == FBufLen;
}

long TInterfList::ReadPort(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) {
  if (FKind == ikComPort) return FSerial.Read(FHandle, buffer, maxBytes, waitMs);
  if (FKind != ikFtdi) return -1;

  std::uint32_t waiting = 0;
  if (FD2xx.GetQueueStatus(FHandle, waiting) != FT_OK) return -1;
  std::uint32_t got = 0;
  if (waiting == 0) {
    // Nothing there yet: let the driver wait for the first byte.
    const auto wait = static_cast<std::uint32_t>(std::max(waitMs, 1));
    if (wait != FFtReadTimeout) {
      FD2xx.SetTimeouts(FHandle, wait, 50);
      FFtReadTimeout = wait;
    }
    if (FD2xx.Read(FHandle, buffer, 1, got) != FT_OK) return -1;
    if (got == 0) return 0;
    if (FD2xx.GetQueueStatus(FHandle, waiting) != FT_OK) return static_cast<long>(got);
  }
  const auto take = static_cast<std::uint32_t>(std::min<std::size_t>(waiting, maxBytes - got));
  if (take > 0) {
    std::uint32_t more = 0;
    if (FD2xx.Read(FHandle, buffer + got, take, more) != FT_OK) return got > 0 ? static_cast<long>(got) : -1;
    got += more;
  }
  return static_cast<long>(got);
}

bool TInterfList::ReadByte(std::uint8_t& b) {
  if (FRxHead == FRxTail) {
    FRxHead = FRxTail = 0;
    const long n = ReadPort(FRx.data(), FRx.size(), FReadTimeout + FWireAllowanceMs);
    FWireAllowanceMs = 0;
    if (n <= 0) return false;
    FRxTail = static_cast<std::size_t>(std::min<long>(n, static_cast<long>(FRx.size())));
  }
  b = FRx[FRxHead++];
  return true;
}

void TInterfList::DrainUntilSilent(std::size_t& budget) {
  std::uint8_t ignored = 0;
  while (budget > 0 && ReadByte(ignored)) --budget;
}

int TInterfList::ReceiveReply(std::uint8_t* data, std::uint16_t& code, std::uint16_t& length) {
  RxState state = rsWaitStart;
  std::uint8_t pendingEscape = 0;
  std::uint16_t crc = CrcInit;
  int fieldBytes = 0;  // bytes of a two-byte code or length field taken so far
  int crcBytes = 0;
  FBufLen = 0;

  std::size_t budget = kMaxBytesPerExchange;
  std::uint8_t c = 0;
  while (budget > 0 && ReadByte(c)) {
    --budget;
    if (c == kReplyStart) {
      FBufLen = 0;
      crc = CrcInit;
      // An escape left over from line noise must not shift the new frame's first byte.
      pendingEscape = 0;
      state = rsPacketNo;
      continue;
    }
    if (c == kReplyEnd) {
      // Only a whole frame counts: an end byte after noise or a cut header
      // whose running CRC happens to be 0 is not a reply.
      if (state == rsCrc && crcBytes >= 2 && crc == 0) {
        ++FPacketNo;
        return rcOk;
      }
      state = rsWaitStart;
      continue;
    }
    if (c == kEscape) {
      pendingEscape = 0xF0;
      if (state != rsCrc) CrcUpdate(crc, c);
      continue;
    }
    if (state != rsCrc) CrcUpdate(crc, c);
    if (pendingEscape != 0) {
      c = static_cast<std::uint8_t>(c + pendingEscape);
      pendingEscape = 0;
    }
    switch (state) {
      case rsWaitStart:
        break;
      case rsPacketNo:
        FEchoPacketNo = c;
        if (c != FPacketNo) {
          DrainUntilSilent(budget);
          return rcBadPacketNo;
        }
        state = rsAddress;
        break;
      case rsAddress:
        state = rsFlags;
        break;
      case rsFlags:
        FReplyFlags = c;
        fieldBytes = 0;
        state = rsCode;
        break;
      case rsCode:
        if ((FReplyFlags & 0x10) != 0 && fieldBytes == 0) {
          code = c;
          fieldBytes = 1;
        } else {
          code = fieldBytes == 1 ? static_cast<std::uint16_t>(code | (c << 8)) : c;
          fieldBytes = 0;
          state = rsLength;
        }
        break;
      case rsLength:
        if ((FReplyFlags & 0x01) != 0 && fieldBytes == 0) {
          length = c;
          fieldBytes = 1;
          break;
        }
        length = fieldBytes == 1 ? static_cast<std::uint16_t>(length | (c << 8)) : c;
        fieldBytes = 0;
        if (length > kMaxData) {
          length = 0;
          return rcBufferOverflow;
        }
        state = length == 0 ? rsCrc : rsData;
        crcBytes = 0;
        break;
      case rsData:
        if (FBufLen < length) data[FBufLen++] = c;
        if (FBufLen >= length) state = rsCrc;
        break;
      case rsCrc:
        CrcUpdate(crc, c);
        ++crcBytes;
        break;
    }
  }
  return rcTimeout;
}

int TInterfList::Transaction(int address, std::uint8_t* data, std::uint16_t& code, std::uint16_t& length) {
  if (FHandle == 0) return rcPortClosed;
  if (FKind != ikComPort && FKind != ikFtdi) return rcBadPort;
  // A request must fit the data area and, escaped, the frame buffer;
  // anything larger is refused before a byte goes out.
  if (length > kMaxData || !BuildRequest(address, data, code, length)) {
    length = 0;
    return rcBufferOverflow;
  }
  if (!WriteFrame()) return rcWriteError;
  if (FKind == ikFtdi) FWireAllowanceMs = static_cast<int>((FBufLen * 10u * 1000u + FBaud - 1) / FBaud);
  return ReceiveReply(data, code, length);
}

}  // namespace q17
