#include "CtlDoctor.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/FakeD2xxApi.h"
#include "support/FakeSerialApi.h"
#include "support/FakeSystemView.h"

namespace q17 {
namespace {

TEST(CtlDoctor, ExitsByTheWorstCheckAndEndsWithTheProgramsOwnOpen) {
  test::FakeSerialApi serial;
  serial.names = {"/dev/ttyUSB0"};
  test::FakeD2xxApi d2xx;
  d2xx.available = false;
  TInterfList list(serial, d2xx);
  test::FakeSystemView system;
  system.File("/dev/ttyUSB0", "dialout", 0660);
  system.Process("812", "ModemManager");  // a warning only
  std::ostringstream out;

  EXPECT_EQ(RunDoctor("/dev/ttyUSB0", list, &system, system.serialPorts, out), 0) << out.str();
  EXPECT_NE(out.str().find("\nwarning  ModemManager: running; "), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("\nok       open: the program opens /dev/ttyUSB0 at 9600 baud\n"), std::string::npos);
  EXPECT_FALSE(list.Opened());

  serial.failOpen = OpenFailure::Busy;
  out.str("");
  EXPECT_EQ(RunDoctor("/dev/ttyUSB0", list, &system, system.serialPorts, out), 1);
  EXPECT_NE(out.str().find("\nproblem  open: in use by another program"), std::string::npos) << out.str();

  // No system view (Windows): the opening is all there is to check.
  out.str("");
  EXPECT_EQ(RunDoctor("COM9", list, nullptr, {}, out), 1);
  EXPECT_EQ(out.str().rfind("ok       system: ", 0), 0u) << out.str();
  EXPECT_NE(out.str().find("problem  open: COM9 is not in the interface list"), std::string::npos);
}

}  // namespace
}  // namespace q17
