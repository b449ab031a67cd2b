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

  std::vector<TSerialPortInfo> ListSerialPorts() override;
  // One port at a time, by its name.
  TSerialOpen Open(const std::string& name, const TLineSettings& line) override;

  ReaderBus& Bus() { return bus_; }
  bool IsOpen() const { return open_; }
  // Virtual time in milliseconds since the port object was made.
  std::int64_t NowMs() const { return nowUs_ / 1000; }
  // Everything written to the port, one entry per Write.
  const std::vector<std::vector<std::uint8_t>>& Writes() const { return writes_; }
  // The line setting of the last open.
  const TLineSettings& Line() const { return line_; }

 private:
  class Port;
  long Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs);
  long Write(const std::uint8_t* data, std::size_t size);
  void Close();
  void Collect();

  ReaderBus& bus_;
  std::string name_;
  LinePacer pacer_;
  std::deque<std::uint8_t> rx_;
  std::int64_t nowUs_ = 0;
  bool open_ = false;
  TLineSettings line_{};
  std::vector<std::vector<std::uint8_t>> writes_;
};

}  // namespace q17::sim
