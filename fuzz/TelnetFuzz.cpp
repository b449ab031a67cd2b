// The telnet / COM-PORT-CONTROL decoder on the bytes a server may send. Any
// stream fed in one run or split at any point gives the same data, replies
// and answers; data without IAC passes through unchanged; escaped data
// decodes back to itself.
#include <cstdlib>
#include <vector>

#include "platform/Rfc2217.h"

namespace {

using q17::telnet::TClientDecoder;

bool SameReplies(const q17::telnet::TComReplies& a, const q17::telnet::TComReplies& b) {
  return a.Baud == b.Baud && a.DataSize == b.DataSize && a.Parity == b.Parity && a.StopSize == b.StopSize &&
         a.Control == b.Control && a.Purge == b.Purge && a.LineState == b.LineState && a.ModemState == b.ModemState;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t split = bytes[0] % size;
  const std::uint8_t* stream = bytes + 1;
  const std::size_t n = size - 1;

  TClientDecoder whole;
  std::vector<std::uint8_t> wholeData;
  whole.Feed(stream, n, wholeData);

  TClientDecoder parts;
  std::vector<std::uint8_t> partData;
  const std::size_t cut = split < n ? split : n;
  parts.Feed(stream, cut, partData);
  parts.Feed(stream + cut, n - cut, partData);
  if (wholeData != partData || !SameReplies(whole.Replies(), parts.Replies()) ||
      whole.Outgoing() != parts.Outgoing()) {
    std::abort();
  }
  if (wholeData.size() > n) std::abort();

  // The line's bytes, escaped, come back as they were.
  std::vector<std::uint8_t> escaped;
  q17::telnet::AppendEscaped(escaped, stream, n);
  TClientDecoder round;
  std::vector<std::uint8_t> back;
  round.Feed(escaped.data(), escaped.size(), back);
  if (back != std::vector<std::uint8_t>(stream, stream + n) || !round.Outgoing().empty()) std::abort();
  return 0;
}
