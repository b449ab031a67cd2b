// udev's monitor of kernel device events, filtered to ttys and whole USB
// devices; the monitor's socket does not block, so TakeNews empties it.
#include <libudev.h>

#include "platform/DeviceWatch.h"

namespace q17 {
namespace {

std::string Text(const char* value) { return value ? value : ""; }

class UdevWatch final : public DeviceWatch {
 public:
  UdevWatch(udev* context, udev_monitor* monitor) : FUdev(context), FMonitor(monitor) {}
  ~UdevWatch() override {
    udev_monitor_unref(FMonitor);
    udev_unref(FUdev);
  }
  UdevWatch(const UdevWatch&) = delete;
  UdevWatch& operator=(const UdevWatch&) = delete;

  int Descriptor() const override { return udev_monitor_get_fd(FMonitor); }

  bool TakeNews() override {
    bool news = false;
    while (udev_device* dev = udev_monitor_receive_device(FMonitor)) {
      news = IsPortDeviceEvent(Text(udev_device_get_action(dev)), Text(udev_device_get_subsystem(dev)),
                               Text(udev_device_get_devtype(dev)),
                               Text(udev_device_get_property_value(dev, "PRODUCT"))) ||
             news;
      udev_device_unref(dev);
    }
    return news;
  }

 private:
  udev* FUdev;
  udev_monitor* FMonitor;
};

}  // namespace

std::unique_ptr<DeviceWatch> MakeSystemDeviceWatch() {
  udev* context = udev_new();
  if (!context) return nullptr;
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (!monitor) {
    udev_unref(context);
    return nullptr;
  }
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0 ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", "usb_device") < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::make_unique<UdevWatch>(context, monitor);
}

}  // namespace q17
