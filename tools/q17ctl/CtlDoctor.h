#pragma once
// q17ctl doctor: what stands between this user and the readers, one line
// per check: "ok", "warning" or "problem", what was checked, what to do.
#include <iosfwd>
#include <string>
#include <vector>

#include "link/KvlInterface.h"
#include "platform/SystemView.h"

namespace q17 {

// Runs the system's checks (none where `system` is null) over it and its
// serial ports and, when `port` is named, opens and closes it as the program
// would. A network port (tcp://, rfc2217://) needs none of the system's:
// its checks are the server reachable, RFC 2217 accepted (rfc2217:// only)
// and no other client holding the server's port. Exit code: 0 when no check
// found a problem, else 1.
int RunDoctor(const std::string& port, TInterfList& list, const SystemView* system,
              const std::vector<TSerialPortInfo>& ports, std::ostream& out);

}  // namespace q17
