#include "LinePacer.h"

#include <algorithm>

#include "link/KvlInterface.h"

namespace q17::sim {
namespace {

constexpr std::int64_t kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr std::int64_t kUsPerSecond = 1'000'000;

}  // namespace

LinePacer::LinePacer(std::uint32_t baud, bool waitRequestTime) : baud_(baud), waitRequestTime_(waitRequestTime) {}

std::int64_t LinePacer::WireTime(std::int64_t startUs, std::size_t count) const {
  if (baud_ == 0) return startUs;
  // Rounded up, so that at this time TakeDue really releases the byte.
  const std::int64_t bits = static_cast<std::int64_t>(count) * kBitsPerByte * kUsPerSecond;
  return startUs + (bits + baud_ - 1) / baud_;
}

void LinePacer::NoteInput(const std::uint8_t* data, std::size_t size, std::int64_t nowUs) {
  if (std::find(data, data + size, kRequestStart) == data + size) return;
  requestStartUs_ = nowUs;
  dropped_ += std::erase_if(queue_, [](const Pending& p) { return p.sent == 0 && !p.keepsTurn; });
}

void LinePacer::Queue(ReplyChunk chunk, std::int64_t nowUs) {
  if (chunk.bytes.empty()) return;
  std::int64_t start = nowUs;
  if (baud_ != 0 && waitRequestTime_) start = std::max(start, WireTime(requestStartUs_, chunk.requestBytes));
  if (!queue_.empty()) start = std::max(start, WireTime(queue_.back().startUs, queue_.back().bytes.size()));
  start += static_cast<std::int64_t>(chunk.delayMs) * 1000;
  queue_.push_back(Pending{std::move(chunk.bytes), start, 0, chunk.keepsTurn});
}

std::vector<std::uint8_t> LinePacer::TakeDue(std::int64_t nowUs) {
  std::vector<std::uint8_t> out;
  while (!queue_.empty()) {
    Pending& p = queue_.front();
    std::size_t due = 0;
    if (nowUs >= p.startUs) {
      if (baud_ == 0) {
        due = p.bytes.size();
      } else {
        // Byte i has crossed the line at WireTime(start, i + 1).
        const std::int64_t elapsed = std::min<std::int64_t>(nowUs - p.startUs, 3600 * kUsPerSecond);
        due = static_cast<std::size_t>(
            std::min<std::int64_t>(elapsed * baud_ / (kBitsPerByte * kUsPerSecond),
                                   static_cast<std::int64_t>(p.bytes.size())));
      }
    }
    if (due > p.sent) {
      out.insert(out.end(), p.bytes.begin() + static_cast<long>(p.sent), p.bytes.begin() + static_cast<long>(due));
      p.sent = due;
    }
    if (p.sent < p.bytes.size()) break;
    queue_.pop_front();
  }
  return out;
}

std::optional<std::int64_t> LinePacer::NextDueUs() const {
  if (queue_.empty()) return std::nullopt;
  const Pending& p = queue_.front();
  return baud_ == 0 ? p.startUs : WireTime(p.startUs, p.sent + 1);
}

}  // namespace q17::sim
