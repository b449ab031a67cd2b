#include "Faults.h"

#include "link/Crc16A.h"

namespace q17::sim {
namespace {

constexpr std::array<const char*, kFaultKindCount> kNames = {"noise",   "badcrc",  "packetno", "oversize",
                                                             "flags11", "noreply", "cut",      "delay"};
constexpr std::size_t kOversizeLength = 129;

std::size_t Index(FaultKind k) { return static_cast<std::size_t>(k); }

}  // namespace

const char* FaultName(FaultKind kind) { return kNames[Index(kind)]; }

std::optional<FaultKind> ParseFaultKind(std::string_view name) {
  for (int i = 0; i < kFaultKindCount; ++i) {
    if (name == kNames[static_cast<std::size_t>(i)]) return static_cast<FaultKind>(i);
  }
  return std::nullopt;
}

std::vector<FaultKind> Faults::DefaultRandomKinds() {
  return {FaultKind::Noise,   FaultKind::BadCrc,  FaultKind::PacketNo, FaultKind::Oversize,
          FaultKind::Flags11, FaultKind::NoReply, FaultKind::Cut};
}

void Faults::SetOn(FaultKind kind, bool on) {
  on_[Index(kind)] = on;
  if (!on) next_[Index(kind)] = 0;
}

void Faults::SetNext(FaultKind kind, unsigned count) { next_[Index(kind)] += count; }

bool Faults::SetRandom(unsigned every, std::uint32_t seed, std::vector<FaultKind> kinds) {
  if (every == 0 || kinds.empty()) return false;
  every_ = every;
  seed_ = seed;
  randomKinds_ = std::move(kinds);
  rng_.seed(seed);
  noiseRng_.seed(seed ^ 0x5117u);
  blockPos_ = 0;
  blockTarget_ = 0;
  return true;
}

void Faults::RandomOff() {
  every_ = 0;
  randomKinds_.clear();
}

void Faults::AllOff() {
  on_.fill(false);
  next_.fill(0);
  RandomOff();
}

void Faults::ResetCounters() {
  injected_.fill(0);
  replies_ = 0;
}

std::uint64_t Faults::InjectedTotal() const {
  std::uint64_t total = 0;
  for (std::uint64_t n : injected_) total += n;
  return total;
}

Faults::Set Faults::Draw() {
  ++replies_;
  Set set = 0;
  for (int i = 0; i < kFaultKindCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (on_[k]) {
      set |= Set{1} << i;
    } else if (next_[k] > 0) {
      --next_[k];
      set |= Set{1} << i;
    }
  }
  if (every_ > 0) {
    if (blockPos_ == 0) blockTarget_ = static_cast<unsigned>(rng_() % every_);
    if (blockPos_ == blockTarget_) set |= Bit(randomKinds_[rng_() % randomKinds_.size()]);
    blockPos_ = (blockPos_ + 1) % every_;
  }
  if (set & Bit(FaultKind::NoReply)) set = Bit(FaultKind::NoReply);
  for (int i = 0; i < kFaultKindCount; ++i) {
    if (set & (Set{1} << i)) ++injected_[static_cast<std::size_t>(i)];
  }
  return set;
}

std::optional<ReplyChunk> Faults::Render(const ReplyLayout& clean, Set faults) {
  if (faults & Bit(FaultKind::NoReply)) return std::nullopt;
  ReplyLayout r = clean;
  if (faults & Bit(FaultKind::Flags11)) r.flags = 0x11;
  if (faults & Bit(FaultKind::PacketNo)) r.packetNo = static_cast<std::uint8_t>(r.packetNo + 1);
  if (faults & Bit(FaultKind::BadCrc)) r.crcXor = 0x0001;
  if (faults & Bit(FaultKind::Cut)) r.cutAfterData = true;

  ReplyChunk chunk;
  if (faults & Bit(FaultKind::Oversize)) {
    // The PC stops reading at the length field and later skips the rest as
    // line noise, running its CRC over it; pick the padding so that rest
    // can never pass for a frame end with a good CRC.
    ReplyLayout header = r;
    header.data.clear();
    header.announcedLength = static_cast<int>(kOversizeLength);
    header.cutAfterData = true;
    const std::size_t headerSize = EncodeReply(header).size();
    const std::size_t realSize = r.data.size();
    for (unsigned fill = 0; fill < 256; ++fill) {
      r.data.resize(realSize);
      r.data.resize(kOversizeLength, static_cast<std::uint8_t>(fill));
      chunk.bytes = EncodeReply(r);
      const std::size_t restEnd = chunk.bytes.size() - (r.cutAfterData ? 0 : 1);
      if (r.cutAfterData || CrcOf(chunk.bytes.data() + headerSize, restEnd - headerSize) != 0) break;
    }
  } else {
    chunk.bytes = EncodeReply(r);
  }

  if (faults & Bit(FaultKind::Noise)) {
    const std::size_t count = 1 + noiseRng_() % 8;
    std::vector<std::uint8_t> noise;
    for (std::size_t i = 0; i < count; ++i) noise.push_back(static_cast<std::uint8_t>(noiseRng_() % 0xFA));
    chunk.bytes.insert(chunk.bytes.begin(), noise.begin(), noise.end());
  }
  if (faults & Bit(FaultKind::Delay)) chunk.delayMs = delayMs_;
  return chunk;
}

std::string Faults::Describe() const {
  std::string out;
  auto add = [&out](const std::string& item) {
    if (!out.empty()) out += ',';
    out += item;
  };
  for (int i = 0; i < kFaultKindCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (on_[k]) add(std::string(kNames[k]) + "=on");
    else if (next_[k] > 0) add(std::string(kNames[k]) + "=next:" + std::to_string(next_[k]));
  }
  if (every_ > 0) add("random=" + std::to_string(every_) + "/" + std::to_string(seed_));
  return out.empty() ? "none" : out;
}

}  // namespace q17::sim
