#include "SimSerialApi.h"

#include <algorithm>

namespace q17::sim {

class SimSerialApi::Port final : public SerialPort {
 public:
  explicit Port(SimSerialApi& api) : api_(api) {}
  ~Port() override { api_.Close(); }
  long Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override {
    return api_.Read(buffer, maxBytes, waitMs);
  }
  long Write(const std::uint8_t* data, std::size_t size) override { return api_.Write(data, size); }
  bool Present() override { return true; }

 private:
  SimSerialApi& api_;
};

SimSerialApi::SimSerialApi(ReaderBus& bus, std::string portName) : bus_(bus), name_(std::move(portName)) {}

std::vector<TSerialPortInfo> SimSerialApi::ListSerialPorts() { return {{name_, std::nullopt}}; }

TSerialOpen SimSerialApi::Open(const std::string& name, const TLineSettings& line) {
  TSerialOpen result;
  if (name != name_) {
    result.Failure.Reason = OpenFailure::NoDevice;
    result.Failure.Detail = "no such port: " + name;
    return result;
  }
  if (open_) {
    result.Failure.Reason = OpenFailure::Busy;
    result.Failure.Detail = name + " is already open";
    return result;
  }
  // A fresh port: nothing of an earlier session is waiting in it.
  bus_.TakeOutput();
  pacer_ = LinePacer();
  rx_.clear();
  open_ = true;
  line_ = line;
  result.Port = std::make_unique<Port>(*this);
  return result;
}

void SimSerialApi::Collect() {
  while (auto chunk = bus_.TakeChunk()) pacer_.Queue(std::move(*chunk), nowUs_);
  const std::vector<std::uint8_t> due = pacer_.TakeDue(nowUs_);
  rx_.insert(rx_.end(), due.begin(), due.end());
}

long SimSerialApi::Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) {
  Collect();
  if (rx_.empty() && waitMs > 0) {
    const std::int64_t limit = nowUs_ + static_cast<std::int64_t>(waitMs) * 1000;
    const auto next = pacer_.NextDueUs();
    if (next && *next <= limit) {
      nowUs_ = std::max(nowUs_, *next);
      Collect();
    } else {
      nowUs_ = limit;
      return 0;
    }
  }
  const std::size_t n = std::min(maxBytes, rx_.size());
  std::copy_n(rx_.begin(), n, buffer);
  rx_.erase(rx_.begin(), rx_.begin() + static_cast<long>(n));
  return static_cast<long>(n);
}

long SimSerialApi::Write(const std::uint8_t* data, std::size_t size) {
  writes_.emplace_back(data, data + size);
  pacer_.NoteInput(data, size, nowUs_);
  bus_.Feed(data, size);
  Collect();
  return static_cast<long>(size);
}

void SimSerialApi::Close() {
  open_ = false;
  rx_.clear();
  pacer_ = LinePacer();
}

}  // namespace q17::sim
