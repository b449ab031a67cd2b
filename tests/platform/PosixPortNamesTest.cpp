// Port listing over a fake /sys/class/tty and /dev built in a scratch
// directory, plus the extra ports of SETUPQ17_PORTS.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/posix/PosixPortNames.h"

namespace q17 {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const std::string& sys, const std::string& dev, const char* extra) {
  std::vector<std::string> names;
  for (const TSerialPortInfo& port : ListPosixPorts(sys, dev, extra)) names.push_back(port.Name);
  return names;
}

class PosixPortNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    fs::create_directories(sys_);
    fs::create_directories(dev_);
    fs::create_directories(links_);
  }

  // A tty as the kernel registers it; `device` false for virtual ones.
  void AddTty(const std::string& name, bool device, const char* type = nullptr,
              bool node = true) {
    const std::string tty = sys_ + "/" + name;
    fs::create_directories(tty);
    if (device) fs::create_directory_symlink("../..", tty + "/device");
    if (type) std::ofstream(tty + "/type") << type;
    if (node) std::ofstream(dev_ + "/" + name);
  }

  std::string Link(const std::string& name, const std::string& target) {
    const std::string path = links_ + "/" + name;
    fs::create_symlink(target, path);
    return path;
  }

  test::TempDir dir_;
  std::string sys_ = dir_ / "sys/class/tty";
  std::string dev_ = dir_ / "dev";
  std::string links_ = dir_ / "links";
};

TEST_F(PosixPortNamesTest, KernelPortsWithADeviceBehindThem) {
  AddTty("ttyUSB0", true);
  AddTty("ttyACM0", true);
  AddTty("ttyAMA0", true);           // serial_core port without the attribute
  AddTty("ttyXRUSB1", true, "4\n");  // any driver that reports a real type
  AddTty("tty5", false);             // virtual console
  AddTty("console", false);
  AddTty("ptmx", false);
  AddTty("ttyS0", true, "4\n");      // a 16550A answered
  AddTty("ttyS1", true, "0\n");      // PORT_UNKNOWN: nothing there
  AddTty("ttyS2", true);             // no attribute, and the node is no UART
  AddTty("ttyS3", true, "garbage");  // cannot tell: left out
  AddTty("ttyUSB9", true, nullptr, false);  // registered, but no node

  const auto names = Names(sys_, dev_, nullptr);
  const std::vector<std::string> want = {dev_ + "/ttyACM0", dev_ + "/ttyAMA0", dev_ + "/ttyS0",
                                         dev_ + "/ttyUSB0", dev_ + "/ttyXRUSB1"};
  EXPECT_EQ(names, want);
}

TEST_F(PosixPortNamesTest, ExtraPortsMustBeCharacterDevices) {
  AddTty("ttyUSB0", true);
  const std::string upper = Link("Bport", "/dev/null");
  const std::string lower = Link("aport", "/dev/null");
  std::ofstream(links_ + "/plain") << "x";
  const std::string extra = ":" + upper + "::" + links_ + "/missing:" + links_ + "/plain:" + lower +
                            ":" + lower + ":" + links_;

  const auto names = Names(sys_, dev_, extra.c_str());
  // Case is ignored in the order; a path named twice is listed once.
  const std::vector<std::string> want = {dev_ + "/ttyUSB0", lower, upper};
  EXPECT_EQ(names, want);
}

TEST_F(PosixPortNamesTest, PseudoTerminalNamedInTheListQualifies) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) GTEST_SKIP();
  const std::string slave = ptsname(master);
  const auto names = Names(sys_, dev_, slave.c_str());
  close(master);
  EXPECT_EQ(names, std::vector<std::string>{slave});
}

TEST_F(PosixPortNamesTest, MissingTreeOrEmptyListGivesNothing) {
  EXPECT_TRUE(Names(dir_ / "nowhere", dev_, nullptr).empty());
  EXPECT_TRUE(Names(sys_, dev_, "").empty());
  EXPECT_TRUE(Names(sys_, dev_, ":::").empty());
}

// A USB serial tty carries the identity of the USB device it hangs from;
// a UART has none.
TEST_F(PosixPortNamesTest, UsbIdentityFromTheDeviceAbove) {
  const std::string usb = dir_ / "devices/usb1/1-1";
  fs::create_directories(usb + "/1-1:1.0/ttyUSB0");
  std::ofstream(usb + "/idVendor") << "0403\n";
  std::ofstream(usb + "/idProduct") << "5a17\n";
  std::ofstream(usb + "/serial") << "FT5A17XY\n";
  std::ofstream(usb + "/product") << "RS-485 Reader\n";
  fs::create_directories(sys_ + "/ttyUSB0");
  fs::create_directory_symlink(usb + "/1-1:1.0/ttyUSB0", sys_ + "/ttyUSB0/device");
  std::ofstream(dev_ + "/ttyUSB0");
  AddTty("ttyS0", true, "4");

  const auto ports = ListPosixPorts(sys_, dev_, nullptr);
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].Name, dev_ + "/ttyS0");
  EXPECT_FALSE(ports[0].Usb.has_value());
  EXPECT_EQ(ports[1].Name, dev_ + "/ttyUSB0");
  ASSERT_TRUE(ports[1].Usb.has_value());
  EXPECT_EQ(ports[1].Usb->VendorId, 0x0403);
  EXPECT_EQ(ports[1].Usb->ProductId, 0x5A17);
  EXPECT_EQ(ports[1].Usb->Serial, "FT5A17XY");
  EXPECT_EQ(ports[1].Usb->Description, "RS-485 Reader");
  EXPECT_EQ(ports[1].Usb->Location, "1-1");
}

}  // namespace
}  // namespace q17
