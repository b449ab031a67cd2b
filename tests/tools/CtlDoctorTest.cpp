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

// A server's port is opened as every command opens it, and none of this
// computer's serial checks can fail it.
TEST(CtlDoctor, ANetworkPortIsCheckedAtItsServer) {
  test::FakeSerialApi serial;
  test::FakeD2xxApi d2xx;
  d2xx.available = false;
  TInterfList list(serial, d2xx);
  test::FakeSystemView system;  // no groups, no rule: problems for a local port
  std::ostringstream out;
  EXPECT_EQ(RunDoctor("RFC2217://127.0.0.1:027701", list, &system, system.serialPorts, out), 0) << out.str();
  EXPECT_EQ(out.str(),
            "ok       system: a network port needs nothing of this computer but its network\n"
            "ok       server: 127.0.0.1:27701 accepts a connection\n"
            "ok       RFC 2217: the server set 9600 baud, 8N1, no flow control\n"
            "ok       other client: none holds the server's port\n"
            "ok       open: the program opens rfc2217://127.0.0.1:27701 at 9600 baud\n");
  EXPECT_EQ(serial.openedName, "rfc2217://127.0.0.1:27701");

  // Each way the open fails is told at the check it belongs to.
  const std::pair<OpenFailure, std::string> failures[] = {
      {OpenFailure::Refused, "problem  server: соединение отклонено (scripted failure)\n"},
      {OpenFailure::ServerBusy, "problem  other client: порт занят другим клиентом (scripted failure)\n"},
      {OpenFailure::NoComPortControl,
       "problem  RFC 2217: the server does not take RFC 2217 port settings (scripted failure)\n"},
  };
  for (const auto& [reason, line] : failures) {
    serial.failOpen = reason;
    out.str("");
    EXPECT_EQ(RunDoctor("rfc2217://127.0.0.1:27701", list, &system, system.serialPorts, out), 1);
    EXPECT_NE(out.str().find("\n" + line), std::string::npos) << out.str();
  }
}

}  // namespace
}  // namespace q17
