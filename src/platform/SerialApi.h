#pragma once
// Serial ports in no system's shape: the ports there are, each with its USB
// identity; a port opened by name at a line setting; reads that take what
// has arrived or wait for it, writes with a deadline, the news that the
// device has gone, and a close that gives the device its own settings back.
// termios (platform/posix) and Win32 (platform/win32) implement it; tests,
// benchmarks and q17sim put their own ports behind it.
//
// No call throws, and none blocks longer than the wait or deadline it names.
// One thread uses a port at a time. A port must not outlive the SerialApi
// that opened it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/StopSignal.h"

namespace q17 {

// The USB device behind a port.
struct TUsbIdentity {
  std::uint16_t VendorId = 0;
  std::uint16_t ProductId = 0;
  std::string Serial;       // the device's serial number; may be empty
  std::string Description;  // its product string; may be empty
  std::string Location;     // where it is plugged in, as the system names the place
                            // (Linux: "1-1.2", under /sys/bus/usb/devices); may be empty
};

struct TSerialPortInfo {
  std::string Name;                 // what Open takes: "/dev/ttyUSB0", "COM5"
  std::optional<TUsbIdentity> Usb;  // none for a UART, a pseudo-terminal, or where the system does not say
};

enum class TParity : std::uint8_t { None, Odd, Even };

// How the line runs. The readers speak 9600 baud, 8 data bits, no parity,
// one stop bit, no flow control.
struct TLineSettings {
  std::uint32_t Baud = 9600;
  std::uint8_t DataBits = 8;  // 5..8
  TParity Parity = TParity::None;
  std::uint8_t StopBits = 1;  // 1 or 2
  // A write gives up when the line has not taken its bytes within this
  // allowance plus so much per byte.
  std::uint32_t WriteAllowanceMs = 100;
  std::uint32_t WriteMsPerByte = 1;

  friend bool operator==(const TLineSettings&, const TLineSettings&) = default;
};

// Whether any port could run at this setting.
inline bool IsValidLine(const TLineSettings& line) {
  return line.Baud > 0 && line.DataBits >= 5 && line.DataBits <= 8 &&
         (line.Parity == TParity::None || line.Parity == TParity::Odd || line.Parity == TParity::Even) &&
         (line.StopBits == 1 || line.StopBits == 2);
}

// Why an open failed, in terms a user can act on.
// NoAnswer, Refused, ServerBusy and NoComPortControl are a network serial
// server's: it does not answer (connect or port settings), it refuses the
// connection, it hangs up at once because another client has the port, or
// it declines RFC 2217's port settings (a plain telnet or raw port).
enum class OpenFailure {
  None, NoDevice, PermissionDenied, Busy, NotSerial, Other, NoAnswer, Refused, ServerBusy, NoComPortControl
};

struct TOpenFailure {
  OpenFailure Reason = OpenFailure::None;
  int SystemError = 0;  // errno or GetLastError(); 0 when the system gave none
  std::string Detail;   // the port's name and what went wrong, the system's words among ours (UTF-8)
  std::string Group;    // PermissionDenied: the group whose members may open the device, where there is one
  std::string Holder;   // Busy: the program holding the port, "name, pid N", where the system can tell
};

// What Read and Write return besides a count.
inline constexpr long kPortError = -1;  // the call failed; the port may work again
inline constexpr long kPortGone = -2;   // the device has gone (unplugged, the pty's peer closed): nothing will work again

// One open port. Destroying it closes it: the device gets back the line
// settings it had before the open (termios and speed on POSIX; Windows
// closes the handle, and the driver keeps what it was set to).
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // What has arrived, up to maxBytes, at once. When nothing has, waits up to
  // waitMs (0: not at all) for the first byte, then takes it and whatever
  // came with it. Returns the count (0: silence for the whole wait; also when
  // a stop ended the wait early), kPortError or kPortGone. Never waits for
  // more bytes once one has come.
  virtual long Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) = 0;

  // All of `data`, unless the line does not take it within the write
  // deadline of the line settings or a stop is requested. Returns once the
  // bytes have left for the wire where the system can tell (a drained tty, a
  // write-through handle), so a reply's wait counts the silence after the
  // request. Returns the count written (less than size when the deadline or
  // a stop cut it), kPortError, or kPortGone.
  virtual long Write(const std::uint8_t* data, std::size_t size) = 0;

  // False once the device has gone; asks the system without reading or
  // waiting. True where the system cannot tell.
  virtual bool Present() = 0;

  // What a reply's wait should add to the line's own for this port: the
  // network's share for a port behind a serial server, measured at opening;
  // 0 for a local port.
  virtual int ReplyAllowanceMs() const { return 0; }

  // Whether the port is behind a network serial server, where replies lag
  // by what the network adds and a reply may come after its wait.
  virtual bool IsNetwork() const { return false; }
};

// The outcome of an open: the port, or why there is none.
struct TSerialOpen {
  std::unique_ptr<SerialPort> Port;
  TOpenFailure Failure;  // Reason None when Port is set
};

// No port, for this reason: the system's code and our words.
inline TSerialOpen FailedOpen(OpenFailure reason, int systemError, std::string detail) {
  TSerialOpen result;
  result.Failure.Reason = reason;
  result.Failure.SystemError = systemError;
  result.Failure.Detail = std::move(detail);
  return result;
}

class SerialApi {
 public:
  virtual ~SerialApi() = default;

  // The ports there are, sorted for display (as text, ignoring case). On
  // Windows the names the registry lists; on Linux the ttys with a device
  // behind them plus SETUPQ17_PORTS.
  virtual std::vector<TSerialPortInfo> ListSerialPorts() = 0;

  // Opens the port for this program alone (a network name, see
  // NetPortName.h, connects to its server instead), sets the line and drops what
  // arrived before; blocks only as long as the system's open does. Gives the
  // port, or no port and the failure. A setting no port can have (0 baud, 9
  // data bits) fails the open; one the driver merely does not take does not
  // (the first exchange fails instead, as the Windows sequence has it).
  virtual TSerialOpen Open(const std::string& name, const TLineSettings& line) = 0;

  // Reads and writes of every port of this object give up as soon as `stop`
  // is requested (nullptr: never). The signal must outlive every later call.
  virtual void SetStopSignal(const StopSignal* stop) { (void)stop; }
};

// The system's serial ports (termios on POSIX, Win32 on Windows).
std::unique_ptr<SerialApi> MakeSystemSerialApi();

}  // namespace q17
