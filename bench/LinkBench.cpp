// CPU cost of the link itself: CRC, frame building, one whole transaction
// through a port that answers from memory at once.
#include <benchmark/benchmark.h>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "link/Crc16A.h"
#include "link/KvlInterface.h"
#include "reader/TraceFormat.h"
#include "support/FakeD2xxApi.h"
#include "support/Frames.h"

namespace {

using namespace q17;

// Answers every request with a prepared echo reply for its packet number.
class MemoryPort : public SerialApi {
 public:
  explicit MemoryPort(int length) {
    std::vector<std::uint8_t> data;
    for (int i = 0; i < length; ++i) data.push_back(static_cast<std::uint8_t>(0x20 + i));
    for (int p = 0; p < 256; ++p) replies_[p] = test::ReplyFrame(static_cast<std::uint8_t>(p), 1, 0, data);
  }
  std::vector<TSerialPortInfo> ListSerialPorts() override { return {{"MEM", std::nullopt}}; }
  TSerialOpen Open(const std::string&, const TLineSettings&) override {
    TSerialOpen opened;
    opened.Port = std::make_unique<Port>(*this);
    return opened;
  }
  bool answer_ = true;

 private:
  class Port final : public SerialPort {
   public:
    explicit Port(MemoryPort& m) : m_(m) {}
    long Read(std::uint8_t* buffer, std::size_t maxBytes, int) override {
      const std::size_t n = std::min(maxBytes, m_.pendingSize_);
      std::copy_n(m_.pending_, n, buffer);
      m_.pending_ += n;
      m_.pendingSize_ -= n;
      return static_cast<long>(n);
    }
    long Write(const std::uint8_t* data, std::size_t size) override {
      if (m_.answer_) {
        const std::uint8_t packetNo = data[1] == 0xFA ? static_cast<std::uint8_t>(data[2] + 0xF0) : data[1];
        m_.pending_ = m_.replies_[packetNo].data();
        m_.pendingSize_ = m_.replies_[packetNo].size();
      }
      return static_cast<long>(size);
    }
    bool Present() override { return true; }

   private:
    MemoryPort& m_;
  };

  std::array<std::vector<std::uint8_t>, 256> replies_;
  const std::uint8_t* pending_ = nullptr;
  std::size_t pendingSize_ = 0;
};

void BM_CrcPerByte(benchmark::State& state) {
  std::vector<std::uint8_t> data(static_cast<std::size_t>(state.range(0)));
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  for (auto _ : state) benchmark::DoNotOptimize(CrcOf(data.data(), data.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_CrcPerByte)->Arg(16)->Arg(128);

// Building and writing a request: the reply side is left silent and the
// per-byte wait returns at once, so what remains is the frame.
void BM_BuildFrame(benchmark::State& state) {
  MemoryPort port(0);
  port.answer_ = false;
  test::FakeD2xxApi d2xx;
  TInterfList list(port, d2xx);
  list.Refresh();
  list.Open(0, 0);
  std::array<std::uint8_t, kMaxData> payload{};
  const auto length = static_cast<std::uint16_t>(state.range(0));
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(0x20 + i * 3);
  for (auto _ : state) {
    std::uint16_t code = 200;
    std::uint16_t len = length;
    benchmark::DoNotOptimize(list.Transaction(1, payload.data(), code, len));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * length);
}
BENCHMARK(BM_BuildFrame)->Arg(10)->Arg(64)->Arg(120);

void BM_TransactionRoundTrip(benchmark::State& state) {
  const int length = static_cast<int>(state.range(0));
  MemoryPort port(length);
  test::FakeD2xxApi d2xx;
  TInterfList list(port, d2xx);
  list.Refresh();
  list.Open(0, 0);
  std::array<std::uint8_t, kMaxData> payload{};
  for (auto _ : state) {
    std::uint16_t code = 200;
    auto len = static_cast<std::uint16_t>(length);
    if (list.Transaction(1, payload.data(), code, len) != 0) state.SkipWithError("exchange failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * length * 2);
}
BENCHMARK(BM_TransactionRoundTrip)->Arg(0)->Arg(10)->Arg(64)->Arg(128);

// The cost of watching the line: a 10-byte echo with no observer (0), with
// an observer that only counts (1), and with the traffic log's line
// formatter writing to a discarding stream (2).
class CountingObserver : public TLineObserver {
 public:
  void OnLineEvent(const TLineEvent& e) override { bytes_ += e.Size; }
  std::size_t bytes_ = 0;
};

void BM_EchoObserved(benchmark::State& state) {
  constexpr int kLength = 10;
  MemoryPort port(kLength);
  test::FakeD2xxApi d2xx;
  TInterfList list(port, d2xx);
  list.Refresh();
  list.Open(0, 0);
  CountingObserver counting;
  std::ostream discard(nullptr);
  TTraceWriter trace(discard);
  if (state.range(0) == 1) list.SetObserver(&counting);
  if (state.range(0) == 2) list.SetObserver(&trace);
  std::array<std::uint8_t, kMaxData> payload{};
  for (auto _ : state) {
    std::uint16_t code = 200;
    std::uint16_t len = kLength;
    if (list.Transaction(1, payload.data(), code, len) != 0) state.SkipWithError("exchange failed");
  }
  benchmark::DoNotOptimize(counting.bytes_);
}
BENCHMARK(BM_EchoObserved)->Arg(0)->Arg(1)->Arg(2);

#ifndef _WIN32
// How long a write that the line does not take holds the program before it
// gives up (due: 100 ms + 1 ms per byte): a pty whose far end reads nothing.
void BM_WriteGiveUpOnABlockedLine(benchmark::State& state) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  const std::string slave = ptsname(master);
  auto api = MakeSystemSerialApi();
  auto port = api->Open(slave, TLineSettings{}).Port;
  if (!port) {
    state.SkipWithError("the pty did not open");
    return;
  }
  // Fill it until no room comes for a while.
  const int filler = open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  const std::vector<std::uint8_t> block(4096, 0x55);
  for (;;) {
    while (write(filler, block.data(), block.size()) > 0) {
    }
    pollfd p{filler, POLLOUT, 0};
    if (poll(&p, 1, 200) == 0) break;
  }
  const std::vector<std::uint8_t> frame(static_cast<std::size_t>(state.range(0)), 0x20);
  for (auto _ : state) {
    if (port->Write(frame.data(), frame.size()) >= 0) state.SkipWithError("the write was taken");
  }
  port.reset();
  close(filler);
  close(master);
}
BENCHMARK(BM_WriteGiveUpOnABlockedLine)->Arg(10)->Arg(140)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
#endif

}  // namespace
