#pragma once
// The serial ports of a Linux system, for the interface list.
#include <string>
#include <vector>

#include "platform/SerialApi.h"

namespace q17 {

// Lists, as devDir + "/" + name, every tty under sysClassTty (normally
// /sys/class/tty) that has a device behind it and whose node exists in
// devDir, with the USB device it hangs from; 8250-style ttySN only where a
// UART answers. Adds each path of the colon-separated extraPorts
// (SETUPQ17_PORTS; may be null) that is a character device, such as a
// pseudo-terminal. No duplicates; sorted as text ignoring case.
std::vector<TSerialPortInfo> ListPosixPorts(const std::string& sysClassTty, const std::string& devDir,
                                            const char* extraPorts);

}  // namespace q17
