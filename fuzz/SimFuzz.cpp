// The simulator reads requests from the line and control lines from its
// standard input: neither may crash it, whatever they hold.
#include <string>

#include "ReaderBus.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  q17::sim::ReaderBus bus({1, 2});
  bus.SetClock([] { return std::int64_t{0}; });
  // Lines first (up to a NUL), then the rest as bytes on the line.
  std::size_t split = 0;
  while (split < size && data[split] != 0) ++split;
  std::string control(reinterpret_cast<const char*>(data), split);
  std::size_t start = 0;
  while (start <= control.size()) {
    std::size_t end = control.find('\n', start);
    if (end == std::string::npos) end = control.size();
    const std::string line = control.substr(start, end - start);
    // Long-running or process-ending lines are the program's business.
    if (line.rfind("quit", 0) != 0) (void)bus.ApplyControl(line);
    start = end + 1;
  }
  if (split < size) bus.Feed(data + split + 1, size - split - 1);
  while (bus.TakeChunk()) {
  }
  return 0;
}
