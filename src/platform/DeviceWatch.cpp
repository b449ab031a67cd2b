#include "platform/DeviceWatch.h"

namespace q17 {

bool IsPortDeviceEvent(const std::string& action, const std::string& subsystem, const std::string& devType,
                       const std::string& product) {
  if (action != "add" && action != "remove") return false;
  if (subsystem == "tty") return true;
  // The vendor part of PRODUCT is hexadecimal without leading zeros.
  return subsystem == "usb" && devType == "usb_device" && product.rfind("403/", 0) == 0;
}

}  // namespace q17
