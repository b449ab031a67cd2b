// Serial ports over the Win32 API, and the COM port names from the registry;
// a network port's name goes to NetSerial instead.
// An open makes the calls the program has always made, in their order:
// CreateFileA, GetCommState, SetCommState, SetCommTimeouts; the results of
// the last three are not looked at (a line that did not take them fails the
// next exchange instead).
#include "platform/win32/SerialSetup.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>

#include "platform/NetPortName.h"
#include "platform/NetSerial.h"
#include "platform/PortNames.h"
#include "platform/SerialApi.h"
#include "platform/win32/DeviceGoneErrors.h"
#include "platform/win32/SystemText.h"

namespace q17 {
namespace win32 {

TCreateFileArgs PortCreateArgs() {
  return {GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING};
}

std::string DevicePath(const std::string& name) {
  if (name.rfind("\\\\.\\", 0) == 0 || name.rfind("\\\\?\\", 0) == 0) return name;
  return "\\\\.\\" + name;
}

void ApplyLine(DCB& dcb, const TLineSettings& line) {
  dcb.BaudRate = line.Baud;
  dcb.ByteSize = line.DataBits;
  dcb.Parity = line.Parity == TParity::Odd ? ODDPARITY : line.Parity == TParity::Even ? EVENPARITY : NOPARITY;
  dcb.StopBits = line.StopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
}

COMMTIMEOUTS PortTimeouts(const TLineSettings& line) {
  COMMTIMEOUTS t;
  t.ReadIntervalTimeout = MAXDWORD;
  t.ReadTotalTimeoutMultiplier = 0;
  t.ReadTotalTimeoutConstant = 0;
  t.WriteTotalTimeoutMultiplier = line.WriteMsPerByte;
  t.WriteTotalTimeoutConstant = line.WriteAllowanceMs;
  return t;
}

}  // namespace win32

namespace {

// How long one wait for a reply's first byte lasts while a stop may come.
constexpr int kStopSliceMs = 50;

OpenFailure FailureFromError(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return OpenFailure::NoDevice;
    // Another program holding the port shows up as access denied.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return OpenFailure::Busy;
    default:
      return OpenFailure::Other;
  }
}

TSerialOpen Failed(DWORD err) {
  TSerialOpen result;
  result.Failure.Reason = FailureFromError(err);
  result.Failure.SystemError = static_cast<int>(err);
  result.Failure.Detail = win32::SystemErrorText(err);
  return result;
}

bool SameTimeouts(const COMMTIMEOUTS& a, const COMMTIMEOUTS& b) {
  return a.ReadIntervalTimeout == b.ReadIntervalTimeout &&
         a.ReadTotalTimeoutMultiplier == b.ReadTotalTimeoutMultiplier &&
         a.ReadTotalTimeoutConstant == b.ReadTotalTimeoutConstant &&
         a.WriteTotalTimeoutMultiplier == b.WriteTotalTimeoutMultiplier &&
         a.WriteTotalTimeoutConstant == b.WriteTotalTimeoutConstant;
}

// One ReadFile/WriteFile moves at most what both a DWORD and our long result
// can count (long is 32 bits on Windows).
DWORD ClampCount(std::size_t n) {
  return static_cast<DWORD>(std::min<std::size_t>(n, static_cast<std::size_t>(LONG_MAX)));
}

// A call on a handle that opened well failed: the device's absence, or
// `otherwise`.
long GoneOr(long otherwise) {
  return win32::IsDeviceGoneError(::GetLastError()) ? kPortGone : otherwise;
}

class Win32SerialPort final : public SerialPort {
 public:
  Win32SerialPort(HANDLE handle, std::optional<COMMTIMEOUTS> timeouts, const StopSignal* const& stop)
      : handle_(handle), timeouts_(timeouts), stop_(stop) {}
  ~Win32SerialPort() override { ::CloseHandle(handle_); }
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  long Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override;
  long Write(const std::uint8_t* data, std::size_t size) override;
  bool Present() override;

 private:
  bool EnsureTimeouts(const COMMTIMEOUTS& wanted);
  // One ReadFile under the given read time-outs (multiplier 0).
  long ReadWith(std::uint8_t* buffer, std::size_t maxBytes, DWORD interval, DWORD constant);

  const HANDLE handle_;
  // What the port currently has, so that a read changes the driver's
  // time-outs only when the wanted form differs; none when unknown.
  std::optional<COMMTIMEOUTS> timeouts_;
  const StopSignal* const& stop_;  // the SerialApi's, as it is now
};

bool Win32SerialPort::EnsureTimeouts(const COMMTIMEOUTS& wanted) {
  if (timeouts_ && SameTimeouts(*timeouts_, wanted)) return true;
  COMMTIMEOUTS t = wanted;
  if (!::SetCommTimeouts(handle_, &t)) {
    timeouts_.reset();  // the driver's values are unknown now
    return false;
  }
  timeouts_ = wanted;
  return true;
}

bool Win32SerialPort::Present() {
  DWORD errors = 0;
  COMSTAT stat;
  std::memset(&stat, 0, sizeof stat);
  if (::ClearCommError(handle_, &errors, &stat)) return true;
  return GoneOr(kPortError) != kPortGone;
}

long Win32SerialPort::ReadWith(std::uint8_t* buffer, std::size_t maxBytes, DWORD interval, DWORD constant) {
  // An earlier read of this call may have left the driver's values unknown.
  if (!timeouts_) return kPortError;
  COMMTIMEOUTS wanted = *timeouts_;
  wanted.ReadIntervalTimeout = interval;
  wanted.ReadTotalTimeoutMultiplier = 0;
  wanted.ReadTotalTimeoutConstant = constant;
  // Reading under unknown time-outs could block for good; call it a port error.
  if (!EnsureTimeouts(wanted)) return kPortError;
  DWORD got = 0;
  if (!::ReadFile(handle_, buffer, ClampCount(maxBytes), &got, nullptr)) return GoneOr(kPortError);
  return static_cast<long>(std::min<DWORD>(got, ClampCount(maxBytes)));
}

long Win32SerialPort::Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) {
  if (buffer == nullptr && maxBytes > 0) return kPortError;
  if (maxBytes == 0) return 0;

  // The write time-outs are the open's; only the read half is ours.
  if (!timeouts_) {
    COMMTIMEOUTS current;
    std::memset(&current, 0, sizeof current);
    if (!::GetCommTimeouts(handle_, &current)) return kPortError;
    timeouts_ = current;
  }
  // After a stop only what has already arrived is read: the wait ends as
  // silence would.
  if (stop_ != nullptr && stop_->Requested()) waitMs = 0;

  // What has arrived, at once (interval MAXDWORD, totals 0).
  const long got = ReadWith(buffer, maxBytes, MAXDWORD, 0);
  if (got != 0 || waitMs <= 0) return got;
  // Nothing yet: one byte under a total time-out alone, which ends as soon
  // as the byte is in; the driver does the waiting, nobody spins. (Interval
  // and multiplier MAXDWORD with a constant say the same on Windows, but
  // Wine waits out the whole constant under that form, even with the reply
  // complete.) Then the rest of what has arrived, at once.
  // A stop that may come meanwhile has no handle to wait on: the wait is
  // cut into slices, and a stop ends it after the one in progress.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  long first = 0;
  for (int left = waitMs; left > 0;) {
    first = ReadWith(buffer, 1, 0, static_cast<DWORD>(stop_ != nullptr ? std::min(left, kStopSliceMs) : left));
    if (first != 0 || (stop_ != nullptr && stop_->Requested())) break;
    left = static_cast<int>(
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
  }
  // A pulled adapter may read as silence (Wine does): ask the driver.
  if (first == 0) return Present() ? 0 : kPortGone;
  if (first < 0 || maxBytes == 1) return first;
  const long rest = ReadWith(buffer + 1, maxBytes - 1, MAXDWORD, 0);
  return rest < 0 ? first : first + rest;
}

long Win32SerialPort::Write(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr && size > 0) return kPortError;
  if (size == 0) return 0;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(handle_, data, ClampCount(size), &written, nullptr);
  // A write time-out fails the call but may still have sent part of the
  // frame: the count is what the caller judges by.
  if (!ok && written == 0) return GoneOr(kPortError);
  return static_cast<long>(std::min<DWORD>(written, ClampCount(size)));
}

std::vector<std::string> RegistryPortNames() {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return names;
  }

  // Value names are at most 16383 characters; port names are short, so data
  // beyond 64 KiB is not a port name and the value is skipped.
  constexpr DWORD kNameCap = 16384;
  constexpr DWORD kDataCap = 65536;
  DWORD maxName = 0;
  DWORD maxData = 0;
  if (::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
    maxName = 0;
    maxData = 0;
  }
  std::vector<char> name(std::clamp<DWORD>(maxName + 1, 256, kNameCap));
  std::vector<char> data(std::clamp<DWORD>(maxData + 1, 256, kDataCap));

  DWORD index = 0;
  int grown = 0;
  for (;;) {
    DWORD nameLen = static_cast<DWORD>(name.size());
    DWORD dataLen = static_cast<DWORD>(data.size());
    DWORD type = 0;
    const LONG rc = ::RegEnumValueA(key, index, name.data(), &nameLen, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &dataLen);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA) {
      // A value grew since the key was measured: make room and try it again,
      // a few times at most.
      if (grown < 4 && (name.size() < kNameCap || data.size() < kDataCap)) {
        ++grown;
        name.resize(std::min<std::size_t>(name.size() * 2, kNameCap));
        data.resize(std::clamp<std::size_t>(std::max<std::size_t>(dataLen + 1, data.size() * 2),
                                            data.size(), kDataCap));
        continue;
      }
      grown = 0;
      ++index;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    grown = 0;
    ++index;
    if (type != REG_SZ) continue;
    // Registry strings need not be zero-terminated: stop at the first zero
    // or at the data's end, whichever comes first.
    const std::size_t size = std::min<std::size_t>(dataLen, data.size());
    const char* begin = data.data();
    const char* end = static_cast<const char*>(std::memchr(begin, '\0', size));
    names.emplace_back(begin, end ? static_cast<std::size_t>(end - begin) : size);
  }
  ::RegCloseKey(key);

  names = KeepComPortNames(names);
  SortIgnoringCase(names);
  return names;
}


class Win32SerialApi final : public SerialApi {
 public:
  std::vector<TSerialPortInfo> ListSerialPorts() override {
    // The registry names the ports only; their USB identity is not there.
    std::vector<TSerialPortInfo> ports;
    for (std::string& name : RegistryPortNames()) ports.push_back({std::move(name), std::nullopt});
    return ports;
  }

  TSerialOpen Open(const std::string& name, const TLineSettings& line) override {
    if (const auto address = ParseNetPortName(name)) return OpenNetPort(name, *address, line, stop_);
    // CreateFileA would stop at an inner zero and open some other name.
    if (name.empty() || name.find('\0') != std::string::npos) return Failed(ERROR_INVALID_NAME);
    if (!IsValidLine(line)) return Failed(ERROR_INVALID_PARAMETER);
    const win32::TCreateFileArgs args = win32::PortCreateArgs();
    HANDLE h = ::CreateFileA(win32::DevicePath(name).c_str(), args.Access, args.Share, nullptr, args.Disposition,
                             args.Flags, nullptr);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) {
      const DWORD err = ::GetLastError();
      return Failed(err == ERROR_SUCCESS ? ERROR_INVALID_HANDLE : err);
    }
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    // A state that cannot be read is not written back half made up.
    if (::GetCommState(h, &dcb)) {
      win32::ApplyLine(dcb, line);
      ::SetCommState(h, &dcb);
    }
    COMMTIMEOUTS timeouts = win32::PortTimeouts(line);
    std::optional<COMMTIMEOUTS> known;
    if (::SetCommTimeouts(h, &timeouts)) known = timeouts;
    TSerialOpen result;
    result.Port = std::make_unique<Win32SerialPort>(h, known, stop_);
    return result;
  }

  void SetStopSignal(const StopSignal* stop) override { stop_ = stop; }

 private:
  const StopSignal* stop_ = nullptr;
};

}  // namespace

std::unique_ptr<SerialApi> MakeSystemSerialApi() { return std::make_unique<Win32SerialApi>(); }

}  // namespace q17
