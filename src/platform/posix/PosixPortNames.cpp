#include "platform/posix/PosixPortNames.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#if defined(__linux__)
#include <linux/serial.h>
#endif

#include "platform/PortNames.h"

namespace q17 {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

bool IsCharDevice(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// ttyS followed by digits only: the legacy 8250 ports, which the kernel
// registers whether or not a UART sits behind them.
bool IsLegacyUartName(const std::string& name) {
  if (name.size() <= 4 || name.compare(0, 4, "ttyS") != 0) return false;
  return std::all_of(name.begin() + 4, name.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; });
}

enum class UartType { Absent, Unknown, Present };

// serial_core's `type` attribute: 0 (PORT_UNKNOWN) means no UART answered.
UartType UartTypeAttribute(const std::string& ttyDir) {
  std::ifstream in(ttyDir + "/type");
  if (!in) return UartType::Unknown;
  long type = 0;
  if (!(in >> type)) return UartType::Absent;  // unreadable: do not offer it
  return type != 0 ? UartType::Present : UartType::Absent;
}

// The USB device a tty hangs from: the first of the device's directory and
// a few of its parents that carries idVendor (a USB serial tty's device is
// the interface, or a port below it).
std::optional<TUsbIdentity> UsbIdentity(const std::string& ttyDir) {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::canonical(ttyDir + "/device", ec);
  if (ec) return std::nullopt;
  for (int up = 0; up < 3 && dir.has_relative_path(); ++up, dir = dir.parent_path()) {
    std::ifstream vendor(dir / "idVendor");
    std::ifstream product(dir / "idProduct");
    unsigned v = 0;
    unsigned p = 0;
    if (!(vendor >> std::hex >> v) || !(product >> std::hex >> p)) continue;
    TUsbIdentity usb;
    usb.VendorId = static_cast<std::uint16_t>(v);
    usb.ProductId = static_cast<std::uint16_t>(p);
    std::ifstream serial(dir / "serial");
    std::getline(serial, usb.Serial);
    std::ifstream description(dir / "product");
    std::getline(description, usb.Description);
    usb.Location = dir.filename().string();
    return usb;
  }
  return std::nullopt;
}

// Without the attribute, ask the driver itself; any failure leaves the port out.
bool UartAnswers(const std::string& devPath) {
#if defined(__linux__)
  const int fd = open(devPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct serial_struct info {};
  const bool ok = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
  close(fd);
  return ok;
#else
  (void)devPath;
  return false;
#endif
}

void AddKernelPorts(const std::string& sysClassTty, const std::string& devDir,
                    std::vector<TSerialPortInfo>& out) {
  DIR* dir = opendir(sysClassTty.c_str());
  if (!dir) return;
  while (const struct dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;
    const std::string ttyDir = sysClassTty + "/" + name;
    // Virtual consoles, ptmx and the like have no device link.
    if (!Exists(ttyDir + "/device")) continue;
    const std::string devPath = devDir + "/" + name;
    if (!Exists(devPath)) continue;
    const UartType type = UartTypeAttribute(ttyDir);
    if (type == UartType::Absent) continue;
    if (type == UartType::Unknown && IsLegacyUartName(name) && !UartAnswers(devPath)) continue;
    out.push_back({devPath, UsbIdentity(ttyDir)});
  }
  closedir(dir);
}

}  // namespace

std::vector<TSerialPortInfo> ListPosixPorts(const std::string& sysClassTty, const std::string& devDir,
                                            const char* extraPorts) {
  std::vector<TSerialPortInfo> ports;
  AddKernelPorts(sysClassTty, devDir, ports);
  if (extraPorts) {
    for (const auto& path : SplitPortList(extraPorts)) {
      if (IsCharDevice(path)) ports.push_back({path, std::nullopt});
    }
  }
  auto byName = [](const TSerialPortInfo& a, const TSerialPortInfo& b) { return a.Name < b.Name; };
  std::sort(ports.begin(), ports.end(), byName);
  ports.erase(std::unique(ports.begin(), ports.end(),
                          [](const TSerialPortInfo& a, const TSerialPortInfo& b) { return a.Name == b.Name; }),
              ports.end());
  SortIgnoringCase(ports);
  return ports;
}

}  // namespace q17
