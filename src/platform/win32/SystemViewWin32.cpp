#include "platform/SystemView.h"

namespace q17 {

// Windows asks for no groups, rules or drivers before a COM port opens.
std::unique_ptr<SystemView> MakeSystemView() { return nullptr; }

}  // namespace q17
