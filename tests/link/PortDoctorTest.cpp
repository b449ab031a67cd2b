#include "link/PortDoctor.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/FakeSystemView.h"

namespace q17 {
namespace {

using test::FakeSystemView;

constexpr const char* kPort = "/dev/ttyUSB0";

// A user in both groups, the rule installed, nothing running, a port of dialout.
FakeSystemView GoodSystem() {
  FakeSystemView v;
  v.File("/etc/udev/rules.d/70-setupq17.rules", "root", 0644, false);
  v.File(kPort, "dialout", 0660);
  v.opens[kPort] = TOpenProbe::Opened;
  return v;
}

// A program with the port open and its exclusive flag set, but no lock.
void LiveFlagHolder(FakeSystemView& v) {
  v.Process("4242", "minicom");
  v.File("/dev/pts/3", "tty", 0620, true, "00:05:3");
  v.dirs["/proc/4242/fd"] = {"0", "1", "5"};
  v.links["/proc/4242/fd/0"] = "/dev/pts/3";
  v.links["/proc/4242/fd/1"] = "socket:[81]";
  v.links["/proc/4242/fd/5"] = kPort;
  v.opens[kPort] = TOpenProbe::Busy;
}

const TCheck* Named(const std::vector<TCheck>& checks, const std::string& name) {
  for (const TCheck& c : checks)
    if (c.Name == name) return &c;
  return nullptr;
}

TEST(PortDoctor, EachCaseInWords) {
  const struct {
    const char* what;
    std::function<void(FakeSystemView&)> make;
    const char* check;
    TCheckStatus status;
    const char* words;
  } cases[] = {
      {"not in dialout", [](FakeSystemView& v) { v.session = v.account = {"me", "plugdev"}; },
       "group dialout", TCheckStatus::Warning, "sudo usermod -aG dialout $USER"},
      {"added, not logged in again", [](FakeSystemView& v) { v.session = {"me"}; },
       "group plugdev", TCheckStatus::Warning, "log out and in again"},
      {"root", [](FakeSystemView& v) { v.uid = 0; v.session = v.account = {"root"}; },
       "groups", TCheckStatus::Ok, "root"},

      {"rule installed by the package", [](FakeSystemView& v) {
         v.files.clear();
         v.File("/usr/lib/udev/rules.d/70-setupq17.rules", "root", 0644, false);
       }, "udev rule", TCheckStatus::Ok, "/usr/lib/udev/rules.d/70-setupq17.rules"},
      {"no rule", [](FakeSystemView& v) { v.files.clear(); }, "udev rule", TCheckStatus::Warning,
       "sudo udevadm control --reload"},

      {"no adapter", [](FakeSystemView& v) { v.UsbDevice("1-2", "0403", "6001", 1, 4); },
       "adapter", TCheckStatus::Ok, "no FTDI adapter of the reader"},
      {"adapter bound by ftdi_sio", [](FakeSystemView& v) {
         v.UsbDevice("1-1", "0403", "5a17", 1, 3);
         v.BoundTo("1-1", "ftdi_sio", "ttyUSB3");
       }, "adapter 1-1", TCheckStatus::Ok, "/dev/ttyUSB3"},
      {"adapter held by another driver", [](FakeSystemView& v) {
         v.UsbDevice("1-1", "0403", "5a17", 1, 3);
         v.BoundTo("1-1", "brltty_usb");
       }, "adapter 1-1", TCheckStatus::Problem, "brltty_usb"},
      {"adapter through libftdi", [](FakeSystemView& v) {
         v.UsbDevice("1-1", "0403", "5a17", 1, 3);
         v.File("/dev/bus/usb/001/003", "plugdev", 0660);
       }, "adapter 1-1", TCheckStatus::Ok, "libftdi as /dev/bus/usb/001/003"},
      {"rule installed, not applied", [](FakeSystemView& v) {
         v.UsbDevice("3-4", "0403", "5a17", 3, 12);
         v.File("/dev/bus/usb/003/012", "root", 0664);
       }, "adapter 3-4", TCheckStatus::Problem, "udevadm trigger"},
      {"adapter without the rule", [](FakeSystemView& v) {
         v.files.erase("/etc/udev/rules.d/70-setupq17.rules");
         v.UsbDevice("1-1", "0403", "5a17", 1, 3);
         v.File("/dev/bus/usb/001/003", "root", 0664);
       }, "adapter 1-1", TCheckStatus::Problem, "install packaging/udev/70-setupq17.rules"},
      {"adapter open to the seat's user (uaccess)", [](FakeSystemView& v) {
         v.session = v.account = {"me"};
         v.UsbDevice("1-1", "0403", "5a17", 1, 3);
         v.File("/dev/bus/usb/001/003", "plugdev", 0660);
         v.opens["/dev/bus/usb/001/003"] = TOpenProbe::Opened;
       }, "adapter 1-1", TCheckStatus::Ok, "libftdi"},
      {"adapter of plugdev, session without it", [](FakeSystemView& v) {
         v.session = v.account = {"me", "dialout"};
         v.UsbDevice("1-1", "0403", "5a17", 1, 3);
         v.File("/dev/bus/usb/001/003", "plugdev", 0660);
       }, "adapter 1-1", TCheckStatus::Problem, "sudo usermod -aG plugdev $USER"},

      {"ModemManager running", [](FakeSystemView& v) { v.Process("812", "ModemManager"); },
       "ModemManager", TCheckStatus::Warning, "systemctl stop ModemManager"},
      {"ModemManager installed, stopped", [](FakeSystemView& v) { v.File("/usr/sbin/ModemManager", "root", 0755, false); },
       "ModemManager", TCheckStatus::Ok, "installed, not running"},
      {"brltty running", [](FakeSystemView& v) { v.Process("90", "brltty"); },
       "brltty", TCheckStatus::Warning, "apt-get remove brltty"},

      {"port missing", [](FakeSystemView& v) { v.files.erase(kPort); }, "port", TCheckStatus::Problem,
       "does not exist"},
      {"port not a device", [](FakeSystemView& v) { v.File(kPort, "me", 0644, false); }, "port",
       TCheckStatus::Problem, "not a device"},
      {"port of a group the user lacks", [](FakeSystemView& v) {
         v.session = v.account = {"me"};
         v.opens[kPort] = TOpenProbe::Denied;
       },
       "port access", TCheckStatus::Problem, "members of the group dialout: 'sudo usermod -aG dialout $USER'"},
      {"port's group given after login", [](FakeSystemView& v) {
         v.session = {"me"};
         v.opens[kPort] = TOpenProbe::Denied;
       },
       "port access", TCheckStatus::Problem, "log out and in again"},
      {"port for its owner only", [](FakeSystemView& v) {
         v.File(kPort, "dialout", 0600);
         v.opens[kPort] = TOpenProbe::Denied;
       },
       "port access", TCheckStatus::Problem, "owner only"},
      {"port open through an access list", [](FakeSystemView& v) { v.session = v.account = {"me"}; },
       "port access", TCheckStatus::Ok, "read and write"},
      {"port locked by a program", [](FakeSystemView& v) {
         v.Process("4242", "minicom");
         v.texts["/proc/locks"] = "1: POSIX  ADVISORY  WRITE 77 00:19:5 0 EOF\n"
                                  "2: FLOCK  ADVISORY  WRITE 4242 00:05:77 0 EOF\n";
         v.opens[kPort] = TOpenProbe::Busy;
       }, "port lock", TCheckStatus::Problem, "(minicom, pid 4242)"},
      {"the holder's flag", [](FakeSystemView& v) {
         v.texts["/proc/locks"] = "2: FLOCK  ADVISORY  WRITE 4242 00:05:77 0 EOF\n";
         v.opens[kPort] = TOpenProbe::Busy;
       }, "exclusive flag", TCheckStatus::Ok, "holds the port"},
      {"a live program's flag, no lock", [](FakeSystemView& v) { LiveFlagHolder(v); },
       "port lock", TCheckStatus::Problem, "in use by another program (minicom, pid 4242)"},
      {"a live program's flag is its own", [](FakeSystemView& v) { LiveFlagHolder(v); },
       "exclusive flag", TCheckStatus::Ok, "holds the port"},
      {"stale exclusive flag", [](FakeSystemView& v) {
         v.uid = 0;
         v.opens[kPort] = TOpenProbe::Busy;
       }, "exclusive flag", TCheckStatus::Problem, "still set though no program holds the port"},
      {"a flag whose holder a user cannot see", [](FakeSystemView& v) { v.opens[kPort] = TOpenProbe::Busy; },
       "exclusive flag", TCheckStatus::Problem, "a program of another user holds it, or one that ended"},
      {"flag untestable", [](FakeSystemView& v) { v.opens[kPort] = TOpenProbe::Denied; },
       "exclusive flag", TCheckStatus::Warning, "cannot be tested"},
      {"UUCP lock of a live program", [](FakeSystemView& v) {
         v.Process("31", "cu");
         v.texts["/run/lock/LCK..ttyUSB0"] = "        31\n";
       }, "lock file", TCheckStatus::Problem, "for cu, pid 31"},
      {"UUCP lock left behind", [](FakeSystemView& v) { v.texts["/var/lock/LCK..ttyUSB0"] = "        77\n"; },
       "lock file", TCheckStatus::Warning, "remove it"},
  };
  for (const auto& c : cases) {
    FakeSystemView v = GoodSystem();
    c.make(v);
    const auto checks = RunPortChecks(v, v.serialPorts, kPort);
    const TCheck* found = Named(checks, c.check);
    ASSERT_NE(found, nullptr) << c.what;
    EXPECT_EQ(found->Status, c.status) << c.what << ": " << found->Text;
    EXPECT_NE(found->Text.find(c.words), std::string::npos) << c.what << ": " << found->Text;
  }
}

TEST(PortDoctor, AllWellAndNoPortNamed) {
  FakeSystemView v = GoodSystem();
  for (const TCheck& c : RunPortChecks(v, v.serialPorts, kPort)) EXPECT_EQ(c.Status, TCheckStatus::Ok) << c.Name << ": " << c.Text;
  // Without a device path only the system's checks run: an adapter's list entry has no file to look at.
  for (const std::string port : {"", "USB FT5A17"}) {
    const auto checks = RunPortChecks(v, v.serialPorts, port);
    EXPECT_EQ(Named(checks, "port access"), nullptr);
    EXPECT_NE(Named(checks, "udev rule"), nullptr);
  }
}

}  // namespace
}  // namespace q17
