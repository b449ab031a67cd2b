#pragma once
// A serial-port layer with one port whose far end is a ReaderBus in the same
// process: writes feed the bus, reads return its replies. Time is virtual:
// it moves only by the waits a reader of the port asks for, so fault delays
// behave as on a line (a delay shorter than the caller's wait arrives, a
// longer one is silence) without any real waiting.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "LinePacer.h"
#include "ReaderBus.h"
#include "platform/SerialApi.h"

namespace q17::sim {

class SimSerialApi : public SerialApi {
 public:
  explicit SimSerialApi(ReaderBus& bus, std::string portName = "SIM");

  std::vector<std::string> PortNames() override;
  PortHandle Open(const std::string& name, const SerialOpenArgs& args) override;
  OpenFailure LastOpenFailure() const override { return lastFailure_; }
  std::string LastOpenDetail() const override { return lastDetail_; }
  bool GetCommState(PortHandle h, LineState& state) override;
  bool SetCommState(PortHandle h, const LineState& state) override;
  bool SetCommTimeouts(PortHandle h, const CommTimeouts& timeouts) override;
  long Read(PortHandle h, std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override;
  long Write(PortHandle h, const std::uint8_t* data, std::size_t size) override;
  void Close(PortHandle h) override;

  ReaderBus& Bus() { return bus_; }
  bool IsOpen() const { return open_; }
  // Virtual time in milliseconds since the port object was made.
  std::int64_t NowMs() const { return nowUs_ / 1000; }
  // Everything written to the port, one entry per Write.
  const std::vector<std::vector<std::uint8_t>>& Writes() const { return writes_; }
  const LineState& Line() const { return line_; }

 private:
  bool Valid(PortHandle h) const { return open_ && h == kHandle; }
  void Collect();

  static constexpr PortHandle kHandle = 0x5175;
  ReaderBus& bus_;
  std::string name_;
  LinePacer pacer_;
  std::deque<std::uint8_t> rx_;
  std::int64_t nowUs_ = 0;
  bool open_ = false;
  OpenFailure lastFailure_ = OpenFailure::None;
  std::string lastDetail_;
  LineState line_{};
  std::vector<std::vector<std::uint8_t>> writes_;
};

}  // namespace q17::sim
