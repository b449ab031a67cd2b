#include <gtest/gtest.h>

#include "platform/DeviceWatch.h"

namespace q17 {
namespace {

TEST(DeviceWatchTest, WhichEventsConcernTheInterfaceList) {
  const struct {
    const char* action;
    const char* subsystem;
    const char* devType;
    const char* product;
    bool news;
  } cases[] = {
      {"add", "tty", "", "", true},
      {"remove", "tty", "", "", true},
      {"change", "tty", "", "", false},
      {"add", "usb", "usb_device", "403/5a17/600", true},
      {"remove", "usb", "usb_device", "403/6001/600", true},
      {"bind", "usb", "usb_device", "403/5a17/600", false},
      {"add", "usb", "usb_interface", "403/5a17/600", false},
      {"add", "usb", "usb_device", "4403/5a17/600", false},
      {"add", "usb", "usb_device", "1d6b/2/515", false},
      {"add", "usb", "usb_device", "", false},
      {"add", "block", "disk", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsPortDeviceEvent(c.action, c.subsystem, c.devType, c.product), c.news)
        << c.action << " " << c.subsystem << " " << c.devType << " " << c.product;
  }
}

}  // namespace
}  // namespace q17
