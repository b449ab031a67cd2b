// Whatever a reader or a noisy line sends must decode (in the link and in
// the traffic log) without reading or writing out of bounds, and leave the
// result within the link's codes.
#include <cstdlib>

#include <ostream>

#include "link/KvlInterface.h"
#include "reader/TraceFormat.h"
#include "support/FakeD2xxApi.h"
#include "support/FakeSerialApi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  q17::test::FakeSerialApi serial;
  q17::test::FakeD2xxApi d2xx;
  serial.names = {"COM1"};
  q17::TInterfList list(serial, d2xx);
  list.Refresh();
  list.Open(0, 0);
  // The traffic log reads the same bytes: cut into frames and decoded again.
  std::ostream discard(nullptr);
  q17::TTraceWriter trace(discard);
  list.SetObserver(&trace);
  // The first byte picks the request form and how the reply arrives.
  const std::uint8_t control = data[0];
  list.SetRequestFlags(control & 0x80 ? 0x11 : 0x00);
  const std::size_t chunk = 1 + (control & 0x3F);
  std::vector<q17::test::LineStep> steps;
  for (std::size_t at = 1; at < size; at += chunk) {
    steps.push_back({std::vector<std::uint8_t>(data + at, data + std::min(size, at + chunk))});
    if (control & 0x40) steps.push_back({});  // a silence between chunks
  }
  serial.line.AnswerNextWrite(std::move(steps));

  for (int round = 0; round < 3; ++round) {
    std::uint8_t payload[q17::kMaxData + 16];
    std::uint16_t code = 40;
    std::uint16_t length = static_cast<std::uint16_t>(round == 0 ? 0 : data[1] % 140);
    const int r = list.Transaction(1, payload, code, length);
    switch (r) {
      case 0:
        if (length > q17::kMaxData) std::abort();
        break;
      case 5: case 6: case 8: case 9:
        break;
      default:
        std::abort();
    }
  }
  return 0;
}
