#pragma once
// The bus scan: ReadVersion at each address of a range, one line per reader
// that answers. ReaderAddress is put back whatever happens.
#include <functional>
#include <optional>
#include <string>

#include "reader/RdrCmd.h"

namespace q17 {

inline constexpr int kScanFirstAddress = 1;
inline constexpr int kScanLastAddress = 254;

// "7" -> "07" for width 2; texts already long enough are never cut.
std::string LeftFill(const std::string& text, std::size_t width, char fill = '0');

// "Addr=07 [text]".
std::string ScanLine(int address, const std::string& text);
// The address of such a line; nothing for any other text.
std::optional<int> ScanLineAddress(const std::string& line);

// Called after each address tried: its result and, on 0, the version text
// (UTF-8) with its last character dropped, as readers end it with a blank.
// Returning false ends the scan early.
using TScanStep = std::function<bool(int address, int result, const std::string& text)>;

// Tries every address from..to in ascending order (none when to < from),
// each under a packet number of its own. Returns the number of readers that
// answered.
int ScanReaders(TCommandState& s, TInterfList& link, int from, int to, const TScanStep& step);

// How an address answered a version read, by the rule q17ctl's scan, its
// survey and its "found" share: only silence means nobody is there.
enum class TBusAnswer {
  Reader,    // a whole reply with answer code 0
  Silent,    // not a byte within the time-out
  Failed,    // something answered, but damaged, refused, late or cut: see Result
  LineGone,  // the port's device has gone; nothing more can be asked
};

struct TBusReply {
  int Address = 0;
  TBusAnswer Answer = TBusAnswer::Silent;
  int Result = 0;       // the version read's code; rcPortClosed when the line has gone
  std::string Version;  // a Reader's text (UTF-8), whole as the reader sent it
};

// Returning false ends the scan early.
using TBusStep = std::function<bool(const TBusReply& reply)>;

// Asks every address from..to in ascending order, each under a packet number
// of its own, and hands each answer to `step`; ends after a LineGone. A reply
// that carries the number of the request just before and the address of the
// reader it asked is that reader's, late: the reader is handed on once as a
// Failed time-out (after its Silent row, if it had one), and the address in
// progress, whose own reply it may have hidden, is asked once more; an
// address asked again that shows its own first reply is that slow reader,
// with no row of its own besides. Returns the number of Readers;
// ReaderAddress is put back.
int ScanBus(TCommandState& s, TInterfList& link, int from, int to, const TBusStep& step);

// The text without its last character (UTF-8): the version as the search
// window's line shows it, readers ending it with a blank.
std::string WithoutLastCharacter(const std::string& utf8);

}  // namespace q17
