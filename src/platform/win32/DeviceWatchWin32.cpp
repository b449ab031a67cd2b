// Windows announces devices with WM_DEVICECHANGE to windows, not on a
// descriptor: the windows listen for it themselves.
#include "platform/DeviceWatch.h"

namespace q17 {

std::unique_ptr<DeviceWatch> MakeSystemDeviceWatch() { return nullptr; }

}  // namespace q17
