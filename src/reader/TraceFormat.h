#pragma once
// The traffic log's text: one line per frame or failed exchange, the same
// for q17ctl --trace and the traffic log window.
//   <seconds, 3 decimals> TAB TX|RX TAB <wire bytes in hex> TAB <decoded fields>
//   <seconds> TAB ERR TAB Код = N / text
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "link/LineObserver.h"

namespace q17 {

// "FB 05 01": upper-case hex pairs separated by blanks.
std::string WireHex(const std::uint8_t* bytes, std::size_t size);

// The fields of one frame as it stands on the wire, tab-separated:
// pkt=, addr=, code= (with the command's name in a request, the answer's
// text in a reply), len=, data=; "crc=bad" or "broken" when it is damaged.
// Bytes that are not a whole frame give "partial".
std::string DecodedFrameText(const std::uint8_t* bytes, std::size_t size, bool partial);

// The line for `event`, `seconds` after the log began, without a newline;
// empty for an exchange that succeeded (its frames tell it).
std::string TraceLine(double seconds, const TLineEvent& event);

// An observer that writes each line to a stream, timed from its creation.
class TTraceWriter : public TLineObserver {
 public:
  explicit TTraceWriter(std::ostream& out, TLineClock::time_point start = TLineClock::now());
  void OnLineEvent(const TLineEvent& event) override;

 private:
  std::ostream& FOut;
  TLineClock::time_point FStart;
};

}  // namespace q17
