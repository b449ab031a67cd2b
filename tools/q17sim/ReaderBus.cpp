#include "ReaderBus.h"

#include <algorithm>
#include <chrono>

namespace q17::sim {

std::string HexBytes(const std::uint8_t* data, std::size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 3);
  for (std::size_t i = 0; i < size; ++i) {
    if (i) out += ' ';
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0x0F];
  }
  return out;
}

ReaderBus::ReaderBus(const std::vector<std::uint8_t>& addresses) {
  clock_ = [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
  for (std::uint8_t a : addresses) AddReader(a);
  if (!readers_.empty()) selected_ = readers_.front()->Address();
}

SimReader* ReaderBus::Reader(std::uint8_t address) {
  for (auto& r : readers_) {
    if (r->Address() == address) return r.get();
  }
  return nullptr;
}

const SimReader* ReaderBus::Reader(std::uint8_t address) const {
  return const_cast<ReaderBus*>(this)->Reader(address);
}

SimReader* ReaderBus::AddReader(std::uint8_t address) {
  if (address == 0 || Reader(address)) return nullptr;
  readers_.push_back(std::make_unique<SimReader>(address, NowMs()));
  return readers_.back().get();
}

bool ReaderBus::RemoveReader(std::uint8_t address) {
  const auto it = std::find_if(readers_.begin(), readers_.end(),
                               [address](const auto& r) { return r->Address() == address; });
  if (it == readers_.end()) return false;
  readers_.erase(it);
  return true;
}

bool ReaderBus::Select(std::uint8_t address) {
  if (!Reader(address)) return false;
  selected_ = address;
  return true;
}

void ReaderBus::SetClock(Clock clock) {
  const std::int64_t before = NowMs();
  clock_ = std::move(clock);
  const std::int64_t after = NowMs();
  for (auto& r : readers_) r->state.clock.Set(r->state.clock.Now(before), after);
}

std::vector<std::uint8_t> ReaderBus::Addresses() const {
  std::vector<std::uint8_t> out;
  for (const auto& r : readers_) out.push_back(r->Address());
  std::sort(out.begin(), out.end());
  return out;
}

void ReaderBus::Feed(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    switch (decoder_.Push(data[i])) {
      case RequestDecoder::Result::None:
        break;
      case RequestDecoder::Result::Request:
        HandleRequest(decoder_.Last());
        break;
      case RequestDecoder::Result::BadCrc:
        ++stats_.badCrc;
        Trace("drop: bad CRC");
        break;
      case RequestDecoder::Result::Malformed:
        ++stats_.malformed;
        Trace("drop: malformed frame");
        break;
    }
  }
}

void ReaderBus::HandleRequest(const Request& request) {
  ++stats_.requests;
  std::string trace = "req pn=" + std::to_string(request.packetNo) + " addr=" + std::to_string(request.address) +
                      " code=" + std::to_string(request.code) + " data=[" +
                      HexBytes(request.data.data(), request.data.size()) + "]";
  SimReader* reader = Reader(request.address);
  if (!reader) {
    ++stats_.unanswered;
    Trace(trace + ": no reader");
    return;
  }
  Trace(trace);
  auto addressFree = [this](std::uint8_t a) { return Reader(a) == nullptr; };
  const CommandReply answer = reader->Handle(request.code, request.data, NowMs(), addressFree);

  ReplyLayout layout;
  layout.packetNo = request.packetNo;
  layout.address = reader->Address();  // a change of address answers from the old one
  layout.code = answer.code;
  layout.data = answer.data;
  std::optional<ReplyChunk> chunk = faults_.Apply(layout);

  if (answer.newAddress) {
    if (selected_ == reader->Address()) selected_ = *answer.newAddress;
    reader->SetAddress(*answer.newAddress);
  }
  if (!chunk) {
    Trace("reply: none (noreply fault)");
    return;
  }
  chunk->requestBytes = request.lineBytes;
  if (reader->state.slowMs > 0) {
    chunk->delayMs += reader->state.slowMs;
    chunk->keepsTurn = true;
  }
  Trace("reply code=" + std::to_string(answer.code) + (chunk->delayMs ? " delay=" + std::to_string(chunk->delayMs) : "") +
        ": " + HexBytes(chunk->bytes.data(), chunk->bytes.size()));
  ++stats_.replies;
  chunks_.push_back(std::move(*chunk));
  if (replyHook_) replyHook_();
}

std::vector<std::uint8_t> ReaderBus::TakeOutput() {
  std::vector<std::uint8_t> out;
  for (auto& c : chunks_) out.insert(out.end(), c.bytes.begin(), c.bytes.end());
  chunks_.clear();
  return out;
}

std::optional<ReplyChunk> ReaderBus::TakeChunk() {
  if (chunks_.empty()) return std::nullopt;
  ReplyChunk c = std::move(chunks_.front());
  chunks_.pop_front();
  return c;
}

void ReaderBus::Trace(const std::string& text) const {
  if (traceHook_) traceHook_(text);
}

}  // namespace q17::sim
