#pragma once
// The user-facing explanation of a port that would not open: no such device,
// in use by another program, or permission denied with the group that grants
// access. The same words for the windows and q17ctl.
#include <string>

#include "link/KvlInterface.h"
#include "link/ShownText.h"

namespace q17 {

// Why the last Open of `list` failed, without the port's name, which the
// caller puts in front ("/dev/ttyUSB0: " + text). Empty when the last Open
// gave no reason (it succeeded, or failed on a bad index).
std::string ExplainOpenFailure(const TInterfList& list);
// The same in parts for a window: the Russian words are marked under the
// context "OpenFailureText"; the English ones, and the system's details,
// read the same in every language.
TShownText OpenFailureWords(const TInterfList& list);

// A port whose device was unplugged while open: for q17ctl's stderr.
const char* DeviceGoneExplanation();
// The same for the open port of `list`: for a network port, the connection
// to its server was lost.
const char* DeviceGoneExplanation(const TInterfList& list);
// The same for the windows' status bars (UTF-8), shown translated under the
// context "OpenFailureText".
const char* DeviceGoneStatusText();

}  // namespace q17
