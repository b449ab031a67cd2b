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

  const auto names = ListPosixPortNames(sys_, dev_, nullptr);
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

  const auto names = ListPosixPortNames(sys_, dev_, extra.c_str());
  // Case is ignored in the order; a path named twice is listed once.
  const std::vector<std::string> want = {dev_ + "/ttyUSB0", lower, upper};
  EXPECT_EQ(names, want);
}

TEST_F(PosixPortNamesTest, PseudoTerminalNamedInTheListQualifies) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) GTEST_SKIP();
  const std::string slave = ptsname(master);
  const auto names = ListPosixPortNames(sys_, dev_, slave.c_str());
  close(master);
  EXPECT_EQ(names, std::vector<std::string>{slave});
}

TEST_F(PosixPortNamesTest, MissingTreeOrEmptyListGivesNothing) {
  EXPECT_TRUE(ListPosixPortNames(dir_ / "nowhere", dev_, nullptr).empty());
  EXPECT_TRUE(ListPosixPortNames(sys_, dev_, "").empty());
  EXPECT_TRUE(ListPosixPortNames(sys_, dev_, ":::").empty());
}

}  // namespace
}  // namespace q17
