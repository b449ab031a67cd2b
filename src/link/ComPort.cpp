#include "link/ComPort.h"

namespace q17 {
namespace {

class TComPort final : public TPort {
 public:
  TComPort(SerialApi& serial, PortHandle handle) : FSerial(serial), FHandle(handle) {}
  ~TComPort() override { FSerial.Close(FHandle); }
  TComPort(const TComPort&) = delete;
  TComPort& operator=(const TComPort&) = delete;

  bool Write(const std::uint8_t* data, std::size_t size) override {
    const long n = FSerial.Write(FHandle, data, size);
    if (n == kPortGone) FGone = true;
    return n == static_cast<long>(size);
  }
  long Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override {
    const long n = FSerial.Read(FHandle, buffer, maxBytes, waitMs);
    if (n == kPortGone) FGone = true;
    return n;
  }
  bool Present() override {
    if (!FGone && !FSerial.Present(FHandle)) FGone = true;
    return !FGone;
  }

 private:
  SerialApi& FSerial;
  PortHandle FHandle;
};

}  // namespace

TPortOpening OpenComPort(SerialApi& serial, const std::string& name, std::uint32_t baud) {
  TPortOpening opening;
  const PortHandle handle = serial.Open(name, SerialOpenArgs{});
  if (handle == 0) {
    opening.Failure = serial.LastOpenFailure();
    opening.Detail = serial.LastOpenDetail();
    opening.Group = serial.LastOpenGroup();
    opening.Holder = serial.LastOpenHolder();
    return opening;
  }
  LineState line;
  serial.GetCommState(handle, line);
  line.baudRate = baud;
  line.byteSize = 8;
  line.parity = 0;
  line.stopBits = 0;
  serial.SetCommState(handle, line);
  serial.SetCommTimeouts(handle, CommTimeouts{kMaxDword, 0, 0, 1, 100});
  opening.Port = std::make_unique<TComPort>(serial, handle);
  return opening;
}

}  // namespace q17
