#pragma once
// The values the configuration pages' controls can hold. A value from a file
// or a reader that no control can show is brought to the nearest one a
// control can, as the pages' redraw stores it back.
#include "reader/RdrCmd.h"

namespace q17 {

// Both channels' WCT, WAT, GDT and GOT to 1..255; the tag memory times to
// what the 1..240 second track bars show (whole seconds, so 105 becomes 100);
// the attenuations to 0..31. TST, OPT, Marker, Mode and the Wiegand interval
// are left as they are.
void ClampToPageRanges(TCommandState& s);

}  // namespace q17
