#pragma once
// One open port as the transaction sees it: frames out, bytes in. The two
// kinds (a serial port, an FTDI adapter through D2XX) differ only behind it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/SerialApi.h"

namespace q17 {

class TPort {
 public:
  virtual ~TPort() = default;
  // The whole frame, or false (an error or a short write).
  virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
  // Waits up to waitMs of silence for the first byte, then takes what has
  // arrived: the count, 0 on silence, negative on an error.
  virtual long Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) = 0;
  // Asks the system, without reading, whether the device is still there.
  virtual bool Present() = 0;
  // Milliseconds a reply's wait adds to the line's (the network's share).
  virtual int ReplyAllowanceMs() const { return 0; }
  // Whether a network lies between the port and the line (lag is the rule).
  virtual bool IsNetwork() const { return false; }

  // True once a call found the device gone (unplugged): nothing on this
  // port can succeed any more.
  bool Gone() const { return FGone; }

 protected:
  bool FGone = false;
};

// A port, or why it did not open.
struct TPortOpening {
  std::unique_ptr<TPort> Port;
  TOpenFailure Failure;
};

}  // namespace q17
