#include "link/PortDoctor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "link/KvlInterface.h"
#include "platform/PortHolder.h"

namespace q17 {
namespace {

constexpr const char* kRuleName = "70-setupq17.rules";
constexpr const char* kRuleDirs[] = {"/etc/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
constexpr const char* kUsbDevices = "/sys/bus/usb/devices";

bool Has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value & 0xFFFFu);
  return text;
}

std::string JoinGroupAdvice(const std::string& group) {
  return "'sudo usermod -aG " + group + " $USER', then log out and in again";
}

std::vector<std::string> RunningProcesses(const SystemView& system) {
  std::vector<std::string> names;
  for (const std::string& entry : system.List("/proc")) {
    if (entry.empty() || entry.find_first_not_of("0123456789") != std::string::npos) continue;
    if (const auto comm = system.ReadText("/proc/" + entry + "/comm")) names.push_back(Trim(*comm));
  }
  return names;
}

// Whether the user may read and write a file of that owner, group and mode.
bool MayUse(const TFileInfo& f, unsigned uid, const std::vector<std::string>& groups) {
  if (uid == 0) return true;
  if (f.Uid == uid && (f.Mode & 0600) == 0600) return true;
  if (Has(groups, f.Group) && (f.Mode & 0060) == 0060) return true;
  return (f.Mode & 0006) == 0006;
}

// ---- the user ----

std::vector<TCheck> GroupChecks(const SystemView& system) {
  std::vector<TCheck> checks;
  if (system.UserId() == 0) {
    checks.push_back({TCheckStatus::Ok, "groups", "running as root: no group is needed"});
    return checks;
  }
  const auto session = system.SessionGroups();
  const auto account = system.AccountGroups();
  const struct {
    const char* group;
    const char* why;
  } wanted[] = {{"dialout", "serial ports (/dev/ttyS*, /dev/ttyUSB*)"},
                {"plugdev", "the reader's FTDI adapters through the udev rule"}};
  for (const auto& w : wanted) {
    const std::string name = std::string("group ") + w.group;
    if (Has(session, w.group)) {
      checks.push_back({TCheckStatus::Ok, name, std::string("you are a member: ") + w.why + " open for you"});
    } else if (Has(account, w.group)) {
      checks.push_back({TCheckStatus::Warning, name,
                        std::string("you were added, but this session began before: log out and in again "
                                    "(or run 'newgrp ") + w.group + "')"});
    } else {
      checks.push_back({TCheckStatus::Warning, name,
                        std::string("you are not a member; ") + w.why + " need it: " + JoinGroupAdvice(w.group)});
    }
  }
  return checks;
}

// ---- the udev rule and the adapters ----

struct TAdapter {
  std::string Name;  // the sysfs name, e.g. "1-1.2"
  std::string Node;  // /dev/bus/usb/BBB/DDD
  std::optional<std::string> Driver;
  std::vector<std::string> Ttys;
};

std::vector<TAdapter> ReaderAdapters(const SystemView& system, const std::vector<TSerialPortInfo>& ports) {
  const std::string vendor = Hex4(kFtdiVendorId);
  const std::string product = Hex4(kReaderProductId);
  std::vector<TAdapter> adapters;
  for (const std::string& entry : system.List(kUsbDevices)) {
    if (entry.find(':') != std::string::npos) continue;  // an interface, not a device
    const std::string dir = std::string(kUsbDevices) + "/" + entry;
    const auto v = system.ReadText(dir + "/idVendor");
    const auto p = system.ReadText(dir + "/idProduct");
    if (!v || !p || Trim(*v) != vendor || Trim(*p) != product) continue;
    TAdapter a;
    a.Name = entry;
    const std::string bus = Trim(system.ReadText(dir + "/busnum").value_or(""));
    const std::string dev = Trim(system.ReadText(dir + "/devnum").value_or(""));
    if (!bus.empty() && !dev.empty()) {
      char node[64];
      std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", std::atoi(bus.c_str()), std::atoi(dev.c_str()));
      a.Node = node;
    }
    const std::string iface = dir + "/" + entry + ":1.0";
    if (const auto driver = system.LinkTarget(iface + "/driver")) a.Driver = BaseName(*driver);
    for (const TSerialPortInfo& port : ports)
      if (port.Usb && port.Usb->Location == entry) a.Ttys.push_back(port.Name);
    adapters.push_back(a);
  }
  return adapters;
}

std::optional<std::string> InstalledRule(const SystemView& system) {
  for (const char* dir : kRuleDirs) {
    const std::string path = std::string(dir) + "/" + kRuleName;
    if (system.Info(path)) return path;
  }
  return std::nullopt;
}

std::vector<TCheck> AdapterChecks(const SystemView& system, const std::vector<TSerialPortInfo>& ports) {
  std::vector<TCheck> checks;
  const auto rule = InstalledRule(system);
  const std::string install = std::string("install packaging/udev/") + kRuleName +
                              " into /etc/udev/rules.d, run 'sudo udevadm control --reload', then plug the "
                              "adapter in again";
  checks.push_back(rule ? TCheck{TCheckStatus::Ok, "udev rule", "installed: " + *rule}
                        : TCheck{TCheckStatus::Warning, "udev rule",
                                 "not installed, so the reader's FTDI adapters open only for root: " + install});

  const auto adapters = ReaderAdapters(system, ports);
  if (adapters.empty()) {
    checks.push_back({TCheckStatus::Ok, "adapter",
                      "no FTDI adapter of the reader (USB " + Hex4(kFtdiVendorId) + ":" + Hex4(kReaderProductId) +
                          ") is plugged in; a serial port needs none"});
    return checks;
  }
  const auto groups = system.SessionGroups();
  for (const TAdapter& a : adapters) {
    const std::string name = "adapter " + a.Name;
    if (a.Driver == "ftdi_sio") {
      const std::string tty = a.Ttys.empty() ? "/dev/ttyUSBn" : a.Ttys.front();
      checks.push_back({TCheckStatus::Ok, name,
                        "bound by the kernel's ftdi_sio driver: use it as the serial port " + tty});
      continue;
    }
    if (a.Driver) {
      checks.push_back({TCheckStatus::Problem, name,
                        "held by the kernel driver '" + *a.Driver + "', so it cannot be used: unplug it, find "
                        "what loads that driver ('journalctl -k') and remove or blacklist it"});
      continue;
    }
    const auto node = a.Node.empty() ? std::nullopt : system.Info(a.Node);
    if (!node) {
      checks.push_back({TCheckStatus::Warning, name, "its USB device node could not be found; plug it in again"});
    } else if (MayUse(*node, system.UserId(), groups) || system.TryOpen(a.Node) == TOpenProbe::Opened) {
      // The trial open also sees what the modes do not show: the seat's access list (uaccess).
      checks.push_back({TCheckStatus::Ok, name, "no kernel driver bound; it opens through libftdi as " + a.Node});
    } else if (!rule) {
      checks.push_back({TCheckStatus::Problem, name, a.Node + " opens for root only: " + install});
    } else if (node->Group != "plugdev") {
      checks.push_back({TCheckStatus::Problem, name,
                        "the udev rule is installed but was not applied to " + a.Node +
                            ": run 'sudo udevadm control --reload && sudo udevadm trigger', or plug the adapter "
                            "in again"});
    } else {
      checks.push_back({TCheckStatus::Problem, name,
                        a.Node + " is open to the group plugdev, which this session lacks: " +
                            JoinGroupAdvice("plugdev")});
    }
  }
  return checks;
}

// ---- programs that grab new serial adapters ----

std::vector<TCheck> GrabberChecks(const SystemView& system) {
  const auto running = RunningProcesses(system);
  const struct {
    const char* process;
    std::vector<const char*> files;
    const char* advice;
  } grabbers[] = {
      {"ModemManager",
       {"/usr/sbin/ModemManager"},
       "it probes every new serial adapter for a modem and holds the port meanwhile: "
       "'sudo systemctl stop ModemManager' (and 'disable' unless a modem is used)"},
      {"brltty",
       {"/usr/bin/brltty", "/usr/sbin/brltty", "/bin/brltty"},
       "it claims USB serial adapters for braille displays: 'sudo apt-get remove brltty' unless a braille "
       "display is used"},
  };
  std::vector<TCheck> checks;
  for (const auto& g : grabbers) {
    if (Has(running, g.process)) {
      checks.push_back({TCheckStatus::Warning, g.process, std::string("running; ") + g.advice});
      continue;
    }
    const bool installed = std::any_of(g.files.begin(), g.files.end(), [&](const char* f) { return system.Info(f); });
    checks.push_back({TCheckStatus::Ok, g.process, installed ? "installed, not running" : "not installed"});
  }
  return checks;
}

// ---- the port itself ----

std::vector<TCheck> PortChecks(const SystemView& system, const std::string& port) {
  std::vector<TCheck> checks;
  const auto info = system.Info(port);
  if (!info) {
    checks.push_back({TCheckStatus::Problem, "port",
                      port + " does not exist; is the adapter plugged in? 'q17ctl ports' lists what is there"});
    return checks;
  }
  if (!info->CharDevice) {
    checks.push_back({TCheckStatus::Problem, "port", port + " is not a device; 'q17ctl ports' lists the ports"});
    return checks;
  }
  const unsigned uid = system.UserId();
  const auto session = system.SessionGroups();
  // A port that opens, or is refused only as busy, lets this user in whatever its modes say.
  const TOpenProbe probe = system.TryOpen(port);
  if (MayUse(*info, uid, session) || probe == TOpenProbe::Opened || probe == TOpenProbe::Busy) {
    checks.push_back({TCheckStatus::Ok, "port access", "you may read and write " + port});
  } else if ((info->Mode & 0060) != 0060) {
    checks.push_back({TCheckStatus::Problem, "port access",
                      port + " opens for its owner only: ask the administrator for access"});
  } else if (Has(system.AccountGroups(), info->Group)) {
    checks.push_back({TCheckStatus::Problem, "port access",
                      port + " belongs to the group " + info->Group +
                          ", which you were given after this session began: log out and in again"});
  } else {
    checks.push_back({TCheckStatus::Problem, "port access",
                      port + " opens for members of the group " + info->Group + ": " +
                          JoinGroupAdvice(info->Group)});
  }

  // The flag refuses the trial open (root's too): then whoever has the port open holds it.
  const auto holder = PortHolder(system, port, probe == TOpenProbe::Busy, "");
  if (holder) {
    checks.push_back({TCheckStatus::Problem, "port lock",
                      "in use by another program" + (holder->empty() ? std::string() : " (" + *holder + ")") +
                          ": close it and try again"});
  } else {
    checks.push_back({TCheckStatus::Ok, "port lock", "no program holds the port"});
  }
  // A UUCP lock file is how older terminal programs claim a port.
  const std::string lockFile = "LCK.." + BaseName(port);
  for (const char* dir : {"/run/lock", "/var/lock"}) {
    const auto text = system.ReadText(std::string(dir) + "/" + lockFile);
    if (!text) continue;
    const std::string pid = Trim(*text);
    const auto owner = pid.empty() ? std::nullopt : ProcessName(system, pid);
    checks.push_back(owner ? TCheck{TCheckStatus::Problem, "lock file",
                                    std::string(dir) + "/" + lockFile + " claims the port for " + *owner +
                                        ": close that program"}
                           : TCheck{TCheckStatus::Warning, "lock file",
                                    std::string(dir) + "/" + lockFile +
                                        " was left by a program that has ended: remove it"});
    break;
  }

  switch (probe) {
    case TOpenProbe::Opened:
      checks.push_back({TCheckStatus::Ok, "exclusive flag", "not set: the port opens"});
      break;
    case TOpenProbe::Busy:
      if (holder) {
        checks.push_back({TCheckStatus::Ok, "exclusive flag", "set by the program that holds the port"});
      } else if (uid == 0) {
        checks.push_back({TCheckStatus::Problem, "exclusive flag",
                          "still set though no program holds the port (left by a program that ended): plug the "
                          "adapter in again, or as root open the port once with q17ctl, which clears it"});
      } else {
        // Another user's open files are out of sight.
        checks.push_back({TCheckStatus::Problem, "exclusive flag",
                          "set, and no program of yours has the port open: a program of another user holds it, "
                          "or one that ended left the flag; as root, 'q17ctl doctor' tells which"});
      }
      break;
    default:
      checks.push_back({TCheckStatus::Warning, "exclusive flag", "cannot be tested without access to the port"});
      break;
  }
  return checks;
}

}  // namespace

const char* CheckStatusWord(TCheckStatus status) {
  switch (status) {
    case TCheckStatus::Ok: return "ok";
    case TCheckStatus::Warning: return "warning";
    case TCheckStatus::Problem: return "problem";
  }
  return "problem";
}

std::vector<TCheck> RunPortChecks(const SystemView& system, const std::vector<TSerialPortInfo>& ports,
                                  const std::string& port) {
  std::vector<TCheck> checks = GroupChecks(system);
  for (auto&& c : AdapterChecks(system, ports)) checks.push_back(std::move(c));
  for (auto&& c : GrabberChecks(system)) checks.push_back(std::move(c));
  if (!port.empty() && port.front() == '/') {
    for (auto&& c : PortChecks(system, port)) checks.push_back(std::move(c));
  }
  return checks;
}

}  // namespace q17
