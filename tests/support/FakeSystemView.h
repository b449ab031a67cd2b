#pragma once
// A system of the test's making for the port checks: groups, files, texts,
// directories, links, processes and what a trial open would meet.
#include <map>
#include <string>
#include <vector>

#include "platform/SerialApi.h"
#include "platform/SystemView.h"

namespace q17::test {

class FakeSystemView : public SystemView {
 public:
  unsigned UserId() const override { return uid; }
  std::vector<std::string> SessionGroups() const override { return session; }
  std::vector<std::string> AccountGroups() const override { return account; }
  std::optional<TFileInfo> Info(const std::string& path) const override {
    const auto it = files.find(path);
    if (it != files.end()) return it->second;
    return std::nullopt;
  }
  std::optional<std::string> ReadText(const std::string& path) const override {
    const auto it = texts.find(path);
    if (it != texts.end()) return it->second;
    return std::nullopt;
  }
  std::vector<std::string> List(const std::string& dir) const override {
    const auto it = dirs.find(dir);
    return it != dirs.end() ? it->second : std::vector<std::string>{};
  }
  std::optional<std::string> LinkTarget(const std::string& path) const override {
    const auto it = links.find(path);
    if (it != links.end()) return it->second;
    return std::nullopt;
  }
  TOpenProbe TryOpen(const std::string& path) const override {
    const auto it = opens.find(path);
    if (it != opens.end()) return it->second;
    return files.count(path) ? TOpenProbe::Denied : TOpenProbe::Missing;
  }

  // A device or file owned by root.
  void File(const std::string& path, const std::string& group, unsigned mode, bool device = true,
            const std::string& lockKey = "00:05:77") {
    TFileInfo f;
    f.CharDevice = device;
    f.Mode = mode;
    f.Uid = 0;
    f.Group = group;
    f.LockKey = lockKey;
    files[path] = f;
  }
  void Process(const std::string& pid, const std::string& name) {
    dirs["/proc"].push_back(pid);
    texts["/proc/" + pid + "/comm"] = name + "\n";
  }
  // A USB device in sysfs with its vendor and product and the node udev made for it.
  void UsbDevice(const std::string& name, const std::string& vendor, const std::string& product, int bus, int dev) {
    const std::string dir = "/sys/bus/usb/devices/" + name;
    dirs["/sys/bus/usb/devices"].push_back(name);
    dirs["/sys/bus/usb/devices"].push_back(name + ":1.0");
    texts[dir + "/idVendor"] = vendor + "\n";
    texts[dir + "/idProduct"] = product + "\n";
    texts[dir + "/busnum"] = std::to_string(bus) + "\n";
    texts[dir + "/devnum"] = std::to_string(dev) + "\n";
  }
  // A tty the driver gives the device is one of the system's serial ports.
  void BoundTo(const std::string& name, const std::string& driver, const std::string& tty = "") {
    const std::string dir = "/sys/bus/usb/devices/" + name;
    links[dir + "/" + name + ":1.0/driver"] = "../../../../bus/usb/drivers/" + driver;
    if (tty.empty()) return;
    TUsbIdentity usb;
    usb.VendorId = static_cast<std::uint16_t>(std::stoul(texts[dir + "/idVendor"], nullptr, 16));
    usb.ProductId = static_cast<std::uint16_t>(std::stoul(texts[dir + "/idProduct"], nullptr, 16));
    usb.Location = name;
    serialPorts.push_back({"/dev/" + tty, usb});
  }

  unsigned uid = 1000;
  std::vector<std::string> session{"me", "dialout", "plugdev"};
  std::vector<std::string> account{"me", "dialout", "plugdev"};
  std::map<std::string, TFileInfo> files;
  std::map<std::string, std::string> texts;
  std::map<std::string, std::vector<std::string>> dirs;
  std::map<std::string, std::string> links;
  std::vector<TSerialPortInfo> serialPorts;
  std::map<std::string, TOpenProbe> opens;  // a file not named here is refused
};

}  // namespace q17::test
