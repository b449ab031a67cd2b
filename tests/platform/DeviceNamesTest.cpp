#include "platform/DeviceNames.h"

#include <gtest/gtest.h>

namespace q17 {
namespace {

TEST(DeviceNamesTest, DevicesWithAndWithoutExtensionOrFolder) {
  for (const char* name : {"CON", "nul", "Aux", "PRN", "COM1", "com5", "COM9", "COM0", "LPT1", "lpt9", "com5.set",
                           "COM7.log", "NUL .txt", "CON.", "con.tar.gz", "COM5:", "C:NUL", "C:\\Users\\me\\COM5.set",
                           "dir/aux.ini", "CONIN$", "conout$", "COM\xC2\xB9", "\\\\.\\COM12", "//./PhysicalDrive0"}) {
    EXPECT_TRUE(IsWindowsDeviceName(name)) << name;
  }
}

TEST(DeviceNamesTest, OrdinaryFiles) {
  for (const char* name : {"", "gate.set", "COM10", "com10.log", "console.log", "CONX", "NULL", "COM", "COMA.set",
                           "my CON.set", "LPT", "com5x.set", "C:\\COM5\\gate.set", "COM5/gate.set", ".\\gate.set",
                           "\\\\server\\share\\gate.set", "nul_out.txt"}) {
    EXPECT_FALSE(IsWindowsDeviceName(name)) << name;
  }
}

}  // namespace
}  // namespace q17
