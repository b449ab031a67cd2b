#pragma once
// Who holds a serial device: the one rule that both the port's open and the
// port checks use, so that they never disagree.
//
// A live process holds a device when it has a lock of any kind on it
// (flock, POSIX or open-file-description lock, as /proc/locks lists them),
// or, while the device's exclusive flag is set, when it has the device open
// at all: a program may take the flag and no lock. A flag with no such
// process behind it was left by a program that ended.
#include <optional>
#include <string>

#include "platform/SystemView.h"

namespace q17 {

// The pid of the live process that holds a lock on the file `lockKey`
// ("MM:mm:inode"), from the text of /proc/locks; "" when the lock's holder
// has no pid to give (an open-file-description lock). Locks that wait and
// locks of `selfPid` do not count.
std::optional<std::string> LockHolderPid(const std::string& procLocks, const std::string& lockKey,
                                         const std::string& selfPid);

// The process holding `device`, as "name, pid N" ("" when it cannot be
// named); nothing when none does. With `flagSet`, processes that merely
// have the device open count too. `selfPid` (may be empty) is left out.
// An ordinary user sees only its own processes' open files; root sees all.
std::optional<std::string> PortHolder(const SystemView& system, const std::string& device, bool flagSet,
                                      const std::string& selfPid);

// "name, pid N" for a live process, "pid N" when it has no name to read;
// nothing when no such process runs.
std::optional<std::string> ProcessName(const SystemView& system, const std::string& pid);

}  // namespace q17
