#pragma once
// The Win32 view of a line (DCB byte size, parity and stop bit codes) in
// terms of termios control flags.
#include <termios.h>

#include "platform/SerialApi.h"

namespace q17::posix {

// Puts byte size, parity and stop bits of `state` into `cflag`, leaving its
// other bits. False, with `cflag` untouched, for values Win32 would refuse
// (byte size outside 5..8, parity above 4, 1.5 stop bits but with 5 bits).
bool EncodeFrame(const LineState& state, tcflag_t& cflag);

// The reverse; the baud rate of `state` is left alone.
void DecodeFrame(tcflag_t cflag, LineState& state);

// Raw 8N1: no echo, no signals, no translation, no flow control of any kind,
// reads that return at once (VMIN = VTIME = 0). Speed untouched.
void MakeRaw(struct termios& t);

}  // namespace q17::posix
