#pragma once
// The user-facing explanation of a port that would not open: no such device,
// in use by another program, or permission denied with the group that grants
// access. The same words for the windows and q17ctl.
#include <string>

#include "link/KvlInterface.h"

namespace q17 {

// Empty when the last Open gave no reason the program knows.
std::string ExplainOpenFailure(const TInterfList& list);

}  // namespace q17
