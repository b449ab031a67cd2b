#pragma once
// What stands between this user and the readers, checked one thing at a
// time and said in words the user can act on: groups, the port's access,
// the udev rule and the adapters it applies to, the kernel driver bound to
// an adapter, programs known to grab new serial adapters, the port's lock
// holder and a stale exclusive flag.
#include <string>
#include <vector>

#include "platform/SerialApi.h"
#include "platform/SystemView.h"

namespace q17 {

enum class TCheckStatus { Ok, Warning, Problem };

struct TCheck {
  TCheckStatus Status = TCheckStatus::Ok;
  std::string Name;  // what was checked, e.g. "group dialout"
  std::string Text;  // what was found and what to do
};

// "ok", "warning", "problem".
const char* CheckStatusWord(TCheckStatus status);

// Every check; the port's own checks only when `port` is a device path.
// `ports` (the system's serial ports) names the ttys of the reader's
// adapters that the kernel's driver serves.
std::vector<TCheck> RunPortChecks(const SystemView& system, const std::vector<TSerialPortInfo>& ports,
                                  const std::string& port);

}  // namespace q17
