#include "link/ComPort.h"

namespace q17 {
namespace {

class TComPort final : public TPort {
 public:
  explicit TComPort(std::unique_ptr<SerialPort> port) : FPort(std::move(port)) {}

  bool Write(const std::uint8_t* data, std::size_t size) override {
    const long n = FPort->Write(data, size);
    if (n == kPortGone) FGone = true;
    return n == static_cast<long>(size);
  }
  long Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override {
    const long n = FPort->Read(buffer, maxBytes, waitMs);
    if (n == kPortGone) FGone = true;
    return n;
  }
  int ReplyAllowanceMs() const override { return FPort->ReplyAllowanceMs(); }
  bool IsNetwork() const override { return FPort->IsNetwork(); }
  bool Present() override {
    if (!FGone && !FPort->Present()) FGone = true;
    return !FGone;
  }

 private:
  std::unique_ptr<SerialPort> FPort;
};

}  // namespace

TPortOpening OpenComPort(SerialApi& serial, const std::string& name, std::uint32_t baud) {
  TLineSettings line;
  line.Baud = baud;
  TSerialOpen opened = serial.Open(name, line);
  TPortOpening opening;
  if (!opened.Port) {
    opening.Failure = std::move(opened.Failure);
    return opening;
  }
  opening.Port = std::make_unique<TComPort>(std::move(opened.Port));
  return opening;
}

}  // namespace q17
