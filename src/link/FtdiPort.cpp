#include "link/FtdiPort.h"

#include <algorithm>

namespace q17 {
namespace {

class TFtdiPort final : public TPort {
 public:
  TFtdiPort(D2xxApi& d2xx, FtHandle handle, std::uint32_t baud, std::uint32_t readTimeout)
      : FD2xx(d2xx), FHandle(handle), FBaud(baud), FReadTimeout(readTimeout) {}
  ~TFtdiPort() override { FD2xx.Close(FHandle); }
  TFtdiPort(const TFtdiPort&) = delete;
  TFtdiPort& operator=(const TFtdiPort&) = delete;

  bool Write(const std::uint8_t* data, std::size_t size) override {
    const auto n = static_cast<std::uint32_t>(size);
    std::uint32_t written = 0;
    if (Failed(FD2xx.Write(FHandle, data, n, written)) || written != n) return false;
    // FT_Write returns once the adapter has the request, before it is on the
    // wire: the first wait of the reply also covers the request's transmission.
    FWireAllowanceMs = static_cast<int>((n * 10u * 1000u + FBaud - 1) / FBaud);
    return true;
  }

  long Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override {
    waitMs += FWireAllowanceMs;
    FWireAllowanceMs = 0;
    std::uint32_t waiting = 0;
    if (Failed(FD2xx.GetQueueStatus(FHandle, waiting))) return -1;
    std::uint32_t got = 0;
    if (waiting == 0) {
      // Nothing there yet: let the driver wait for the first byte.
      const auto wait = static_cast<std::uint32_t>(std::max(waitMs, 1));
      if (wait != FReadTimeout) {
        FD2xx.SetTimeouts(FHandle, wait, 50);
        FReadTimeout = wait;
      }
      if (Failed(FD2xx.Read(FHandle, buffer, 1, got))) return -1;
      if (got == 0) return 0;
      if (Failed(FD2xx.GetQueueStatus(FHandle, waiting))) return static_cast<long>(got);
    }
    const auto take = static_cast<std::uint32_t>(std::min<std::size_t>(waiting, maxBytes - got));
    if (take > 0) {
      std::uint32_t more = 0;
      if (Failed(FD2xx.Read(FHandle, buffer + got, take, more))) return got > 0 ? static_cast<long>(got) : -1;
      got += more;
    }
    return static_cast<long>(got);
  }

  // Asking for the queue is the one D2XX call that tells without reading
  // the line; what it fetches stays queued for the next read. This is asked
  // only when the system reports devices gone, so any failure (some drivers
  // say I/O error rather than not found) is taken as this one gone.
  bool Present() override {
    std::uint32_t waiting = 0;
    if (!FGone && FD2xx.GetQueueStatus(FHandle, waiting) != FT_OK) FGone = true;
    return !FGone;
  }

 private:
  // A device that D2XX no longer finds was unplugged.
  bool Failed(FtStatus status) {
    if (status == FT_DEVICE_NOT_FOUND) FGone = true;
    return status != FT_OK;
  }

  D2xxApi& FD2xx;
  FtHandle FHandle;
  std::uint32_t FBaud;
  std::uint32_t FReadTimeout;  // the driver's read time-out as last set
  int FWireAllowanceMs = 0;
};

}  // namespace

TPortOpening OpenFtdiPort(D2xxApi& d2xx, const std::string& serialNumber, std::uint32_t baud) {
  TPortOpening opening;
  FtHandle handle = 0;
  const FtStatus status = d2xx.OpenEx(serialNumber, FT_OPEN_BY_SERIAL_NUMBER, handle);
  if (status != FT_OK || handle == 0) {
    opening.Failure.Reason = status == FT_DEVICE_NOT_FOUND ? OpenFailure::NoDevice : OpenFailure::Busy;
    opening.Failure.Detail = "FT_OpenEx status " + std::to_string(status);
    return opening;
  }
  d2xx.SetBaudRate(handle, baud);
  d2xx.SetDataCharacteristics(handle, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE);
  d2xx.SetFlowControl(handle, FT_FLOW_NONE, 0, 0);
  d2xx.SetTimeouts(handle, 1, 50);
  opening.Port = std::make_unique<TFtdiPort>(d2xx, handle, baud, 1);
  return opening;
}

}  // namespace q17
