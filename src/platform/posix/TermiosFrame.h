#pragma once
// A line setting in termios terms.
#include <termios.h>

#include "platform/SerialApi.h"

namespace q17::posix {

// Puts data bits, parity and stop bits of `line` into `cflag`, leaving its
// other bits. False, with `cflag` untouched, for a frame termios cannot give.
bool SetFrame(const TLineSettings& line, tcflag_t& cflag);

// Raw 8N1: no echo, no signals, no translation, no flow control of any kind,
// no read timer (VTIME = 0). A read on a blocking descriptor waits for
// `minBytes` (VMIN); 0 makes every read return at once with what has come.
// Speed untouched.
void MakeRaw(struct termios& t, cc_t minBytes);

}  // namespace q17::posix
