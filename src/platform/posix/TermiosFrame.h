#pragma once
// A line setting in termios terms.
#include <termios.h>

#include "platform/SerialApi.h"

namespace q17::posix {

// Puts data bits, parity and stop bits of `line` into `cflag`, leaving its
// other bits. False, with `cflag` untouched, for a frame termios cannot give.
bool SetFrame(const TLineSettings& line, tcflag_t& cflag);

// Raw 8N1: no echo, no signals, no translation, no flow control of any kind,
// reads that return at once (VMIN = VTIME = 0). Speed untouched.
void MakeRaw(struct termios& t);

}  // namespace q17::posix
