// Serial ports over the Win32 API, and the COM port names from the registry.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <string>
#include <unordered_map>

#include "platform/PortNames.h"
#include "platform/SerialApi.h"
#include "platform/win32/DeviceGoneErrors.h"

namespace q17 {
namespace {

HANDLE ToHandle(PortHandle h) { return reinterpret_cast<HANDLE>(h); }

// The system's words for an error, in UTF-8 like every other text of the
// program (the ANSI form would be Windows-1251 on a Russian system).
std::string SystemErrorText(DWORD err) {
  wchar_t wide[512];
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             err, 0, wide, static_cast<DWORD>(std::size(wide)), nullptr);
  while (n > 0 && (wide[n - 1] == L'\r' || wide[n - 1] == L'\n' || wide[n - 1] == L' ')) --n;
  if (n == 0) return "Windows error " + std::to_string(err);
  const int wideLen = static_cast<int>(n);
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, wideLen, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return "Windows error " + std::to_string(err);
  std::string text(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, wideLen, text.data(), size, nullptr, nullptr);
  return text;
}

// "COM10" and above open only through the device namespace; the prefix is
// harmless for COM1..COM9, so every plain name gets it.
std::string DevicePath(const std::string& name) {
  if (name.rfind("\\\\.\\", 0) == 0 || name.rfind("\\\\?\\", 0) == 0) return name;
  return "\\\\.\\" + name;
}

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

class Win32SerialApi final : public SerialApi {
 public:
  std::vector<std::string> PortNames() override;

  PortHandle Open(const std::string& name, const SerialOpenArgs& args) override;
  OpenFailure LastOpenFailure() const override { return lastFailure_; }
  std::string LastOpenDetail() const override { return lastDetail_; }

  bool GetCommState(PortHandle h, LineState& state) override;
  bool SetCommState(PortHandle h, const LineState& state) override;
  bool SetCommTimeouts(PortHandle h, const CommTimeouts& timeouts) override;

  long Read(PortHandle h, std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override;
  long Write(PortHandle h, const std::uint8_t* data, std::size_t size) override;
  bool Present(PortHandle h) override;
  void Close(PortHandle h) override;
  void SetStopSignal(const StopSignal* stop) override { stop_ = stop; }

 private:
  void RecordFailure(DWORD err);
  bool EnsureTimeouts(PortHandle h, const COMMTIMEOUTS& wanted);
  // One ReadFile under the given read time-outs (multiplier 0).
  long ReadWith(PortHandle h, std::uint8_t* buffer, std::size_t maxBytes, DWORD interval, DWORD constant);

  OpenFailure lastFailure_ = OpenFailure::None;
  std::string lastDetail_;
  // What the port currently has, so that a read changes the driver's
  // time-outs only when the wanted form differs.
  std::unordered_map<PortHandle, COMMTIMEOUTS> timeouts_;
  const StopSignal* stop_ = nullptr;
};

void Win32SerialApi::RecordFailure(DWORD err) {
  lastFailure_ = FailureFromError(err);
  lastDetail_ = SystemErrorText(err);
}

PortHandle Win32SerialApi::Open(const std::string& name, const SerialOpenArgs& args) {
  // CreateFileA would stop at an inner zero and open some other name.
  if (name.empty() || name.find('\0') != std::string::npos) {
    RecordFailure(ERROR_INVALID_NAME);
    return 0;
  }
  const std::string path = DevicePath(name);
  DWORD access = 0;
  if (args.genericRead) access |= GENERIC_READ;
  if (args.genericWrite) access |= GENERIC_WRITE;
  const DWORD share = args.shareNone ? 0 : (FILE_SHARE_READ | FILE_SHARE_WRITE);
  const DWORD disposition = args.openExisting ? OPEN_EXISTING : OPEN_ALWAYS;
  DWORD flags = 0;
  if (args.writeThrough) flags |= FILE_FLAG_WRITE_THROUGH;
  if (args.noBuffering) flags |= FILE_FLAG_NO_BUFFERING;

  HANDLE h = ::CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) {
    const DWORD err = ::GetLastError();
    RecordFailure(err == ERROR_SUCCESS ? ERROR_INVALID_HANDLE : err);
    return 0;
  }
  lastFailure_ = OpenFailure::None;
  lastDetail_.clear();
  const auto handle = reinterpret_cast<PortHandle>(h);
  timeouts_.erase(handle);  // a recycled handle value must not inherit old time-outs
  return handle;
}

bool Win32SerialApi::GetCommState(PortHandle h, LineState& state) {
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (h == 0 || !::GetCommState(ToHandle(h), &dcb)) return false;
  state.baudRate = dcb.BaudRate;
  state.byteSize = dcb.ByteSize;
  state.parity = dcb.Parity;
  state.stopBits = dcb.StopBits;
  return true;
}

bool Win32SerialApi::SetCommState(PortHandle h, const LineState& state) {
  // Only the four line fields change; handshaking and the rest stay as the
  // driver has them.
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (h == 0 || !::GetCommState(ToHandle(h), &dcb)) return false;
  dcb.BaudRate = state.baudRate;
  dcb.ByteSize = state.byteSize;
  dcb.Parity = state.parity;
  dcb.StopBits = state.stopBits;
  return ::SetCommState(ToHandle(h), &dcb) != FALSE;
}

bool Win32SerialApi::SetCommTimeouts(PortHandle h, const CommTimeouts& timeouts) {
  if (h == 0) return false;
  COMMTIMEOUTS t;
  t.ReadIntervalTimeout = timeouts.readIntervalTimeout;
  t.ReadTotalTimeoutMultiplier = timeouts.readTotalTimeoutMultiplier;
  t.ReadTotalTimeoutConstant = timeouts.readTotalTimeoutConstant;
  t.WriteTotalTimeoutMultiplier = timeouts.writeTotalTimeoutMultiplier;
  t.WriteTotalTimeoutConstant = timeouts.writeTotalTimeoutConstant;
  if (!::SetCommTimeouts(ToHandle(h), &t)) {
    timeouts_.erase(h);  // the driver's values are unknown now
    return false;
  }
  timeouts_[h] = t;
  return true;
}

bool Win32SerialApi::EnsureTimeouts(PortHandle h, const COMMTIMEOUTS& wanted) {
  auto it = timeouts_.find(h);
  if (it != timeouts_.end() && SameTimeouts(it->second, wanted)) return true;
  COMMTIMEOUTS t = wanted;
  if (!::SetCommTimeouts(ToHandle(h), &t)) {
    timeouts_.erase(h);
    return false;
  }
  timeouts_[h] = wanted;
  return true;
}

// A call on a handle that opened well failed: the device's absence, or
// `otherwise`.
long GoneOr(long otherwise) {
  return win32::IsDeviceGoneError(::GetLastError()) ? kPortGone : otherwise;
}

bool Win32SerialApi::Present(PortHandle h) {
  if (h == 0) return false;
  DWORD errors = 0;
  COMSTAT stat;
  std::memset(&stat, 0, sizeof stat);
  if (::ClearCommError(ToHandle(h), &errors, &stat)) return true;
  return GoneOr(-1) != kPortGone;
}

long Win32SerialApi::ReadWith(PortHandle h, std::uint8_t* buffer, std::size_t maxBytes, DWORD interval,
                              DWORD constant) {
  COMMTIMEOUTS wanted = timeouts_.at(h);
  wanted.ReadIntervalTimeout = interval;
  wanted.ReadTotalTimeoutMultiplier = 0;
  wanted.ReadTotalTimeoutConstant = constant;
  // Reading under unknown time-outs could block for good; call it a port error.
  if (!EnsureTimeouts(h, wanted)) return -1;
  DWORD got = 0;
  if (!::ReadFile(ToHandle(h), buffer, ClampCount(maxBytes), &got, nullptr)) return GoneOr(-1);
  return static_cast<long>(std::min<DWORD>(got, ClampCount(maxBytes)));
}

long Win32SerialApi::Read(PortHandle h, std::uint8_t* buffer, std::size_t maxBytes, int waitMs) {
  if (h == 0 || (buffer == nullptr && maxBytes > 0)) return -1;
  if (maxBytes == 0) return 0;

  // The write time-outs are the caller's; only the read half is ours.
  if (timeouts_.find(h) == timeouts_.end()) {
    COMMTIMEOUTS current;
    std::memset(&current, 0, sizeof current);
    if (!::GetCommTimeouts(ToHandle(h), &current)) return -1;
    timeouts_.emplace(h, current);
  }
  // After a stop only what has already arrived is read: the wait ends as
  // silence would.
  if (stop_ != nullptr && stop_->Requested()) waitMs = 0;

  // What has arrived, at once (interval MAXDWORD, totals 0).
  const long got = ReadWith(h, buffer, maxBytes, MAXDWORD, 0);
  if (got != 0 || waitMs <= 0) return got;
  // Nothing yet: one byte under a total time-out alone, which ends as soon
  // as the byte is in; the driver does the waiting, nobody spins. (Interval
  // and multiplier MAXDWORD with a constant say the same on Windows, but
  // Wine waits out the whole constant under that form, even with the reply
  // complete.) Then the rest of what has arrived, at once.
  const long first = ReadWith(h, buffer, 1, 0, static_cast<DWORD>(waitMs));
  // A pulled adapter may read as silence (Wine does): ask the driver.
  if (first == 0) return Present(h) ? 0 : kPortGone;
  if (first < 0 || maxBytes == 1) return first;
  const long rest = ReadWith(h, buffer + 1, maxBytes - 1, MAXDWORD, 0);
  return rest < 0 ? first : first + rest;
}

long Win32SerialApi::Write(PortHandle h, const std::uint8_t* data, std::size_t size) {
  if (h == 0 || (data == nullptr && size > 0)) return -1;
  if (size == 0) return 0;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(ToHandle(h), data, ClampCount(size), &written, nullptr);
  // A write time-out fails the call but may still have sent part of the
  // frame: the count is what the caller judges by.
  if (!ok && written == 0) return GoneOr(-1);
  return static_cast<long>(std::min<DWORD>(written, ClampCount(size)));
}

void Win32SerialApi::Close(PortHandle h) {
  if (h == 0) return;
  timeouts_.erase(h);
  ::CloseHandle(ToHandle(h));
}

std::vector<std::string> Win32SerialApi::PortNames() {
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

}  // namespace

std::unique_ptr<SerialApi> MakeSystemSerialApi() { return std::make_unique<Win32SerialApi>(); }

}  // namespace q17
