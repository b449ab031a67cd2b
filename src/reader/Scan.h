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

}  // namespace q17
