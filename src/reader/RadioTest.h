#pragma once
// The reader's own radio count of a reference and a test tag on one channel.
#include <array>
#include <cstdint>
#include <string>

#include "reader/RdrCmd.h"

namespace q17 {

using TRadioStartPayload = std::array<std::uint8_t, 9>;

// Channel (1, or 2 for anything else), then both codes least significant
// byte first. Throws TConversionError on a text that does not convert.
TRadioStartPayload RadioStartPayload(int channel, const std::string& etalonText, const std::string& testText);

struct TRadioCounts {
  std::uint16_t Etalon = 0;
  std::uint16_t Test = 0;
};

// Stop reply bytes 0..3: two counts, least significant byte first.
TRadioCounts DecodeRadioCounts(const std::uint8_t* reply);

inline constexpr std::uint16_t kRadioCountsSize = 4;

// Commands 183 and 184: the link's result, else the answer code; the stop
// fails with rcDataError on a reply too short for both counts, which are
// set only on 0.
int StartRadioTest(TCommandState& s, TInterfList& link, const TRadioStartPayload& payload);
int StopRadioTest(TCommandState& s, TInterfList& link, TRadioCounts& counts);

// The window's rule: only the transaction decides, so a reader that refuses
// in a well-formed reply has accepted. The counts are taken from a stop
// reply of at least four bytes whatever its answer code; a shorter reply
// leaves countsRead false rather than showing bytes the reader never sent.
int StartRadioTestTransaction(TCommandState& s, TInterfList& link, const TRadioStartPayload& payload);
int StopRadioTestTransaction(TCommandState& s, TInterfList& link, TRadioCounts& counts, bool& countsRead);

}  // namespace q17
