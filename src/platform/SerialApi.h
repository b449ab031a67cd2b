#pragma once
// Serial ports as the link needs them: the calls of the Win32 serial API,
// reduced to what the link passes and reads back. Windows calls the real
// functions; POSIX maps them onto termios.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/StopSignal.h"

namespace q17 {

// An open port; 0 stands for "none".
using PortHandle = std::uintptr_t;

// The arguments the link hands to CreateFileA.
struct SerialOpenArgs {
  bool genericRead = true;
  bool genericWrite = true;
  bool shareNone = true;       // no sharing: nobody else may open the port
  bool openExisting = true;    // OPEN_EXISTING
  bool writeThrough = true;    // FILE_FLAG_WRITE_THROUGH
  bool noBuffering = true;     // FILE_FLAG_NO_BUFFERING
};

// The DCB fields the link sets; everything else stays as the port had it.
struct LineState {
  std::uint32_t baudRate = 9600;
  std::uint8_t byteSize = 8;
  std::uint8_t parity = 0;    // NOPARITY
  std::uint8_t stopBits = 0;  // ONESTOPBIT
};

// COMMTIMEOUTS.
struct CommTimeouts {
  std::uint32_t readIntervalTimeout = 0;
  std::uint32_t readTotalTimeoutMultiplier = 0;
  std::uint32_t readTotalTimeoutConstant = 0;
  std::uint32_t writeTotalTimeoutMultiplier = 0;
  std::uint32_t writeTotalTimeoutConstant = 0;
};

inline constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;

// What Read and Write return when the port's device is no longer there (a
// USB adapter pulled, a pseudo-terminal's peer gone): no later call on that
// handle can succeed, so the caller closes it rather than retrying.
inline constexpr long kPortGone = -2;

// Why an open failed, in terms a user can act on.
enum class OpenFailure { None, NoDevice, PermissionDenied, Busy, NotSerial, Other };

class SerialApi {
 public:
  virtual ~SerialApi() = default;

  // The port names the system knows, already filtered and sorted for display.
  virtual std::vector<std::string> PortNames() = 0;

  // CreateFileA: 0 when the port cannot be opened (see LastOpenFailure).
  virtual PortHandle Open(const std::string& name, const SerialOpenArgs& args) = 0;
  virtual OpenFailure LastOpenFailure() const = 0;
  // The system's own words for the last open failure (UTF-8; may be empty).
  virtual std::string LastOpenDetail() const = 0;
  // After PermissionDenied: the group whose members may open the device,
  // where the system has such a thing (empty otherwise).
  virtual std::string LastOpenGroup() const { return {}; }
  // After Busy: the program that holds the port ("name, pid N"), where the
  // system can tell (empty otherwise).
  virtual std::string LastOpenHolder() const { return {}; }

  virtual bool GetCommState(PortHandle h, LineState& state) = 0;
  virtual bool SetCommState(PortHandle h, const LineState& state) = 0;
  virtual bool SetCommTimeouts(PortHandle h, const CommTimeouts& timeouts) = 0;

  // Reads what has arrived, up to maxBytes. When nothing is waiting, waits
  // up to waitMs for the first byte (0: do not wait). Returns the number of
  // bytes read (0 when the wait ran out), -1 on a port error or kPortGone.
  virtual long Read(PortHandle h, std::uint8_t* buffer, std::size_t maxBytes, int waitMs) = 0;

  // WriteFile: the number of bytes written, -1 when the call failed, or
  // kPortGone. A
  // line that does not take the bytes gives up after the write time-outs
  // (constant + multiplier per byte; both 0: 100 ms + 1 ms per byte).
  virtual long Write(PortHandle h, const std::uint8_t* data, std::size_t size) = 0;

  virtual void Close(PortHandle h) = 0;

  // False once the device behind an open handle has gone; asks without
  // reading or waiting. Systems that cannot tell say true.
  virtual bool Present(PortHandle h) {
    (void)h;
    return true;
  }

  // Reads and writes give up as soon as `stop` is requested (nullptr: never).
  // The object must outlive every later call.
  virtual void SetStopSignal(const StopSignal* stop) { (void)stop; }
};

// The system's serial ports (termios on POSIX, Win32 on Windows).
std::unique_ptr<SerialApi> MakeSystemSerialApi();

}  // namespace q17
