#include "link/OpenFailureText.h"

namespace q17 {

// Placeholder until the words move here from q17ctl.
std::string ExplainOpenFailure(const TInterfList&) { return {}; }

}  // namespace q17
