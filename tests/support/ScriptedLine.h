#pragma once
// What a reader sends, step by step: bytes that arrive together, or a
// silence that makes the next waiting read run out.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

namespace q17::test {

struct LineStep {
  std::vector<std::uint8_t> bytes;  // empty: a silence
};

class ScriptedLine {
 public:
  // Bytes already waiting before anything is written.
  void Preload(std::vector<std::uint8_t> bytes) { pending_.push_back({std::move(bytes)}); }
  // What the line carries after the next write (one entry per write).
  void AnswerNextWrite(std::vector<LineStep> steps) { answers_.push_back(std::move(steps)); }
  void AnswerNextWrite(std::vector<std::uint8_t> bytes) { AnswerNextWrite(std::vector<LineStep>{{std::move(bytes)}}); }

  void OnWrite(const std::uint8_t* data, std::size_t size) {
    writes.emplace_back(data, data + size);
    if (!answers_.empty()) {
      for (auto& step : answers_.front()) pending_.push_back(std::move(step));
      answers_.pop_front();
    }
  }

  // Up to maxBytes of the bytes that arrived together; 0 when the line is silent.
  std::size_t Take(std::uint8_t* buffer, std::size_t maxBytes) {
    ++reads;
    if (pending_.empty()) {
      ++silences;
      return 0;
    }
    LineStep& step = pending_.front();
    if (step.bytes.empty()) {
      pending_.pop_front();
      ++silences;
      return 0;
    }
    const std::size_t n = std::min(maxBytes, step.bytes.size());
    std::copy_n(step.bytes.begin(), n, buffer);
    step.bytes.erase(step.bytes.begin(), step.bytes.begin() + static_cast<long>(n));
    if (step.bytes.empty()) pending_.pop_front();
    return n;
  }

  std::size_t Waiting() const { return pending_.empty() ? 0 : pending_.front().bytes.size(); }
  bool Drained() const { return pending_.empty(); }

  std::vector<std::vector<std::uint8_t>> writes;
  int reads = 0;
  int silences = 0;

 private:
  std::deque<LineStep> pending_;
  std::deque<std::vector<LineStep>> answers_;
};

}  // namespace q17::test
