#include "SimSerialApi.h"

#include <algorithm>

namespace q17::sim {

SimSerialApi::SimSerialApi(ReaderBus& bus, std::string portName) : bus_(bus), name_(std::move(portName)) {}

std::vector<std::string> SimSerialApi::PortNames() { return {name_}; }

PortHandle SimSerialApi::Open(const std::string& name, const SerialOpenArgs&) {
  if (name != name_) {
    lastFailure_ = OpenFailure::NoDevice;
    lastDetail_ = "no such port: " + name;
    return 0;
  }
  if (open_) {
    lastFailure_ = OpenFailure::Busy;
    lastDetail_ = name + " is already open";
    return 0;
  }
  // A fresh port: nothing of an earlier session is waiting in it.
  bus_.TakeOutput();
  pacer_ = LinePacer();
  rx_.clear();
  open_ = true;
  lastFailure_ = OpenFailure::None;
  lastDetail_.clear();
  return kHandle;
}

bool SimSerialApi::GetCommState(PortHandle h, LineState& state) {
  if (!Valid(h)) return false;
  state = line_;
  return true;
}

bool SimSerialApi::SetCommState(PortHandle h, const LineState& state) {
  if (!Valid(h)) return false;
  line_ = state;
  return true;
}

bool SimSerialApi::SetCommTimeouts(PortHandle h, const CommTimeouts&) { return Valid(h); }

void SimSerialApi::Collect() {
  while (auto chunk = bus_.TakeChunk()) pacer_.Queue(std::move(*chunk), nowUs_);
  const std::vector<std::uint8_t> due = pacer_.TakeDue(nowUs_);
  rx_.insert(rx_.end(), due.begin(), due.end());
}

long SimSerialApi::Read(PortHandle h, std::uint8_t* buffer, std::size_t maxBytes, int waitMs) {
  if (!Valid(h)) return -1;
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

long SimSerialApi::Write(PortHandle h, const std::uint8_t* data, std::size_t size) {
  if (!Valid(h)) return -1;
  writes_.emplace_back(data, data + size);
  pacer_.NoteInput(data, size, nowUs_);
  bus_.Feed(data, size);
  Collect();
  return static_cast<long>(size);
}

void SimSerialApi::Close(PortHandle h) {
  if (!Valid(h)) return;
  open_ = false;
  rx_.clear();
  pacer_ = LinePacer();
}

}  // namespace q17::sim
