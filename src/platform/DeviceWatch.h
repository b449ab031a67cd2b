#pragma once
// News from the system about serial devices and the readers' USB adapters
// coming and going, so that the interface list can follow without the user
// pressing refresh. Linux has a descriptor to wait on (udev's monitor);
// Windows sends its news as window messages instead, which the windows
// receive themselves.
#include <memory>
#include <string>

namespace q17 {

class DeviceWatch {
 public:
  virtual ~DeviceWatch() = default;
  // Becomes readable when news is waiting.
  virtual int Descriptor() const = 0;
  // Takes every waiting event without blocking; true when one of them was a
  // serial device or an FTDI adapter appearing or going.
  virtual bool TakeNews() = 0;
};

// The system's watch, or nullptr where there is none to wait on (Windows,
// or a Linux without udev running).
std::unique_ptr<DeviceWatch> MakeSystemDeviceWatch();

// Whether one udev event concerns the interface list: a tty added or
// removed, or a whole USB device of FTDI's vendor id ("PRODUCT" as udev
// gives it, "403/5a17/600") added or removed. Other actions (change, bind)
// leave the list as it is.
bool IsPortDeviceEvent(const std::string& action, const std::string& subsystem, const std::string& devType,
                       const std::string& product);

}  // namespace q17
