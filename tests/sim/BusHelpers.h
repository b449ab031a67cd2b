#pragma once
// Talking to a ReaderBus the way the PC does, for the tests.
#include <cstdint>
#include <vector>

#include "PcReceiver.h"
#include "ReaderBus.h"

namespace q17::sim::test {

using Bytes = std::vector<std::uint8_t>;

struct Answer {
  bool replied = false;  // any bytes came back
  PcReply pc;            // what the PC makes of them
  Bytes line;            // the bytes themselves
};

inline Answer Ask(ReaderBus& bus, std::uint8_t address, std::uint16_t code, const Bytes& data = {},
                  std::uint8_t packetNo = 0) {
  bus.Feed(EncodeRequest(packetNo, address, code, data));
  Answer a;
  a.line = bus.TakeOutput();
  a.replied = !a.line.empty();
  a.pc = PcReceive(a.line, packetNo);
  return a;
}

// A bus whose readers' clocks stand still unless the test moves them.
struct FixedClock {
  std::int64_t ms = 1'000'000;
  void Attach(ReaderBus& bus) {
    bus.SetClock([this] { return ms; });
  }
};

}  // namespace q17::sim::test
