#pragma once
// The arguments of a COM port's open, as values: CreateFileA's, the four
// DCB fields SetCommState changes, and the COMMTIMEOUTS that follow. Kept
// apart from the calls so that a test holds them to the program's sequence.
#include "platform/win32/WindowsApi.h"

#include <string>

#include "platform/SerialApi.h"

namespace q17::win32 {

struct TCreateFileArgs {
  DWORD Access = 0;
  DWORD Share = 0;
  DWORD Disposition = 0;
  DWORD Flags = 0;
};

// Read and write, nobody else, an existing device, write-through, unbuffered.
TCreateFileArgs PortCreateArgs();

// "COM10" and above open only through the device namespace; the prefix is
// harmless for COM1..COM9, so every plain name gets it.
std::string DevicePath(const std::string& name);

// Baud rate, byte size, parity and stop bits from `line`; every other field
// of `dcb` (handshaking and the rest) stays as the driver had it.
void ApplyLine(DCB& dcb, const TLineSettings& line);

// Reads return at once with what has arrived (the wait is the port's own);
// writes give up after the line's allowance plus so much per byte.
COMMTIMEOUTS PortTimeouts(const TLineSettings& line);

}  // namespace q17::win32
