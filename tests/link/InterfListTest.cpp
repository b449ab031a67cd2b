#include <gtest/gtest.h>

#include "link/ErrMsg.h"
#include "link/KvlInterface.h"
#include "support/FakeD2xxApi.h"
#include "support/FakeSerialApi.h"

namespace q17 {
namespace {

using test::FakeD2xxApi;

// The worked example's serial number: bytes 41 42 14 0C 45 11 3A 25.
const std::string kSerial = std::string("AB\x14\x0C" "E\x11\x3A\x25", 8);

class InterfList : public ::testing::Test {
 protected:
  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const auto& e : list.Entries()) texts.push_back(e.Text);
    return texts;
  }

  test::FakeSerialApi serial;
  FakeD2xxApi d2xx;
  TInterfList list{serial, d2xx};
};

TEST_F(InterfList, DeviceCodeFromTheSerialNumber) {
  EXPECT_EQ(TInterfList::DeviceCode(kSerial), "066-12-2914");
  // Wide numbers are written whole, never cut.
  EXPECT_EQ(TInterfList::DeviceCode(std::string("AB\xF0\x07" "E\x99\x99\x99", 8)), "286-07-888888");
  EXPECT_EQ(TInterfList::DeviceCode("1234567"), "");
  EXPECT_EQ(TInterfList::DeviceCode(""), "");
}

TEST_F(InterfList, FtdiDevicesFirstThenPortsInCaseFreeOrder) {
  d2xx.devices = {FakeD2xxApi::Device(0x5A17, "Reader A", kSerial),
                  FakeD2xxApi::Device(0x6001, "Other FTDI", "FT000001"),
                  FakeD2xxApi::Device(0x5A17, "Reader B", "XY\x14\x0C" "E\x11\x11\x11")};
  d2xx.devices[2].eeprom.serialNumber = std::string("XY\x14\x0C" "E\x11\x11\x11", 8);
  serial.names = {"COM1", "COM10", "COM2"};  // the system layer has sorted them already
  list.Refresh();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Reader A (066-12-2914)", "Reader B (066-12-0000)", "COM1",
                                               "COM10", "COM2"}));
  EXPECT_EQ(list.Entries()[0].Descriptor.Kind, ikFtdi);
  EXPECT_EQ(list.Entries()[0].Descriptor.Name, kSerial);
  EXPECT_EQ(list.Entries()[2].Descriptor.Kind, ikComPort);
  EXPECT_EQ(list.Entries()[2].Descriptor.Name, "");
  EXPECT_EQ(d2xx.openCount, d2xx.closeCount) << "every device opened for its EEPROM is closed again";
}

TEST_F(InterfList, PortsAreFoundByNameInTheSystemsOwnCase) {
  serial.names = {"COM5", "COM6"};
  list.Refresh();
  EXPECT_EQ(list.IndexOf("COM6"), 1);
#ifdef _WIN32
  EXPECT_EQ(list.IndexOf("com6"), 1);
  EXPECT_EQ(list.IndexOf("\\\\.\\COM6"), 1);  // the device namespace
  EXPECT_EQ(list.IndexOf("\\\\.\\com5"), 0);
#else
  EXPECT_EQ(list.IndexOf("com6"), -1);  // /dev/ttyUSB0 and /dev/ttyusb0 are two files
#endif
  EXPECT_EQ(list.IndexOf("COM7"), -1);
}

TEST_F(InterfList, DevicesThatFailAreLeftOutSilently) {
  d2xx.devices = {FakeD2xxApi::Device(0x5A17, "Closed", kSerial), FakeD2xxApi::Device(0x5A17, "Unreadable", kSerial),
                  FakeD2xxApi::Device(0x5A17, "Short", "AB12")};
  d2xx.devices[0].openFails = true;
  d2xx.devices[1].eeReadFails = true;
  list.Refresh();
  // A serial number too short for a device code is shown as it is.
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Short (AB12)"}));
  EXPECT_EQ(d2xx.closeCount, 2);
}

TEST_F(InterfList, PortsStayListedWhenTheUsbSideFails) {
  serial.names = {"COM3"};
  d2xx.devices = {FakeD2xxApi::Device(0x5A17, "Reader", kSerial)};
  d2xx.listFails = true;
  list.Refresh();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"COM3"}));
  d2xx.listFails = false;
  d2xx.available = false;
  list.Refresh();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"COM3"}));
}

TEST_F(InterfList, RefreshEmptiesTheListFirst) {
  serial.names = {"COM1"};
  list.Refresh();
  list.Refresh();
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(InterfList, NetworkPortsAreAddedByNameAndListedAfterTheLocalOnes) {
  serial.names = {"COM1"};
  list.Refresh();
  EXPECT_EQ(list.AddNetworkPort("COM2"), -1) << "not a network name";
  EXPECT_EQ(list.AddNetworkPort("tcp://gate:4001"), 1);
  EXPECT_EQ(list.AddNetworkPort("tcp://gate:4001"), 1) << "listed once";
  serial.names = {"COM1", "COM3"};
  list.Refresh();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"COM1", "COM3", "tcp://gate:4001"}));

  // The port's network allowance comes on top of the line's wait, which stays adjustable.
  serial.allowanceMs = 12;
  list.SetReadTimeout(70);
  ASSERT_EQ(list.Open(2, 0), rcOk);
  EXPECT_EQ(serial.openedName, "tcp://gate:4001");
  std::uint8_t data[kMaxData] = {};
  std::uint16_t code = 0, length = 0;
  list.Transaction(1, data, code, length);
  EXPECT_EQ(serial.lastWaitMs, 82);
  list.Close();

  // A fixed allowance replaces the measured one for that port alone, from its next opening.
  EXPECT_EQ(list.AddNetworkPort("rfc2217://gate:4002", 150), 3);
  EXPECT_EQ(list.AddNetworkPort("tcp://gate:4001", 5000), 2) << "listed once, allowance changed";
  EXPECT_EQ(list.NetworkAllowance(2), std::optional<int>(1000)) << "clamped";
  EXPECT_EQ(list.NetworkAllowance(0), std::nullopt);
  EXPECT_FALSE(list.IsNetworkPort(0));
  for (const auto& [index, wait] : {std::pair{3, 220}, std::pair{0, 70 + 12}, std::pair{2, 1070}}) {
    ASSERT_EQ(list.Open(index, 0), rcOk);
    list.Transaction(1, data, code, length);
    EXPECT_EQ(serial.lastWaitMs, wait) << list.Entries()[static_cast<std::size_t>(index)].Text;
    list.Close();
  }
}

TEST_F(InterfList, ANetworkPortIsListedUnderItsOneNameAndTakenOffUnlessOpen) {
  serial.names = {"COM1"};
  list.Refresh();
  EXPECT_EQ(list.AddNetworkPort("tcp://127.0.0.1:04001"), 1);
  EXPECT_EQ(list.AddNetworkPort("tcp://127.0.0.1:4001"), 1) << "one server, one entry";
  EXPECT_EQ(list.AddNetworkPort("rfc2217://::1:4002"), -1) << "not a name";
  EXPECT_EQ(list.AddNetworkPort("rfc2217://[::1]:4002"), 2);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"COM1", "tcp://127.0.0.1:4001", "rfc2217://[::1]:4002"}));

  EXPECT_FALSE(list.RemoveNetworkPort(0)) << "a local port";
  ASSERT_EQ(list.Open(2, 0), rcOk);
  EXPECT_FALSE(list.RemoveNetworkPort(2)) << "the open one";
  EXPECT_TRUE(list.RemoveNetworkPort(1));
  EXPECT_EQ(list.OpenIndex(), 1) << "the open entry moved up with the list";
  list.Close();
  list.Refresh();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"COM1", "rfc2217://[::1]:4002"}));
}

TEST_F(InterfList, OpenSerialPortWithTheLineSettings) {
  serial.names = {"COM1"};
  list.Refresh();
  EXPECT_EQ(list.Open(0, 0), rcOk);
  EXPECT_TRUE(list.Opened());
  EXPECT_EQ(list.OpenIndex(), 0);
  EXPECT_EQ(serial.openedName, "COM1");
  // 9600 8N1, a write given 100 ms plus 1 ms a byte (how Windows gets them: SerialWin32Test).
  EXPECT_EQ(serial.openedLine, (TLineSettings{9600, 8, TParity::None, 1, 100, 1}));

  EXPECT_EQ(list.Open(0, 0), rcOpenError) << "a second open while open";
  EXPECT_TRUE(list.Opened());
  EXPECT_EQ(list.Close(), rcOk);
  EXPECT_FALSE(list.Opened());
  EXPECT_EQ(list.OpenIndex(), -1);
  EXPECT_EQ(serial.closes, 1);
  EXPECT_EQ(list.Close(), rcOk) << "closing with nothing open";
  EXPECT_EQ(serial.closes, 1);
}

TEST_F(InterfList, BaudIndexTable) {
  const std::pair<int, std::uint32_t> table[] = {{0, 9600},  {1, 14400},  {2, 19200}, {3, 38400},
                                                 {4, 57600}, {5, 115200}, {6, 9600},  {-1, 9600}};
  serial.names = {"COM1"};
  list.Refresh();
  for (auto [index, baud] : table) {
    ASSERT_EQ(list.Open(0, index), rcOk);
    EXPECT_EQ(serial.openedLine.Baud, baud) << index;
    list.Close();
  }
}

TEST_F(InterfList, OpenFailures) {
  serial.names = {"COM1"};
  list.Refresh();
  EXPECT_EQ(list.Open(-1, 0), rcBadPort);
  EXPECT_EQ(list.Open(1, 0), rcBadPort);
  serial.failOpen = OpenFailure::PermissionDenied;
  EXPECT_EQ(list.Open(0, 0), rcOpenError);
  EXPECT_FALSE(list.Opened());
  EXPECT_EQ(list.LastOpenFailure().Reason, OpenFailure::PermissionDenied);
  std::uint16_t code = 40, length = 0;
  std::uint8_t data[kMaxData]{};
  EXPECT_EQ(list.Transaction(1, data, code, length), rcPortClosed);
}

TEST_F(InterfList, OpenFtdiBySerialNumber) {
  d2xx.devices = {FakeD2xxApi::Device(0x5A17, "Reader", kSerial)};
  list.Refresh();
  ASSERT_EQ(list.Open(0, 5), rcOk);
  EXPECT_EQ(d2xx.openExSerial, kSerial);
  EXPECT_EQ(d2xx.openExFlags, FT_OPEN_BY_SERIAL_NUMBER);
  EXPECT_EQ(d2xx.baud, 115200u);
  EXPECT_EQ(d2xx.dataChars, (std::vector<std::uint32_t>{8, 0, 0}));
  EXPECT_EQ(d2xx.flow, 0);
  ASSERT_FALSE(d2xx.timeouts.empty());
  EXPECT_EQ(d2xx.timeouts.front(), (std::pair<std::uint32_t, std::uint32_t>{1, 50}));
  list.Close();
  d2xx.openExFails = true;
  EXPECT_EQ(list.Open(0, 0), rcOpenError);
  EXPECT_EQ(list.LastOpenFailure().Reason, OpenFailure::NoDevice);
}

TEST_F(InterfList, ReadTimeoutRange) {
  EXPECT_EQ(list.ReadTimeout(), 50);
  for (int rejected : {19, 1001, 0, -5}) {
    list.SetReadTimeout(rejected);
    EXPECT_EQ(list.ReadTimeout(), 50) << rejected;
  }
  list.SetReadTimeout(20);
  EXPECT_EQ(list.ReadTimeout(), 20);
  list.SetReadTimeout(1000);
  EXPECT_EQ(list.ReadTimeout(), 1000);
}

TEST(InterfaceDescriptor, NameIsCutTo16Characters) {
  EXPECT_EQ(TInterfaceDescriptor(ikFtdi, "0123456789ABCDEFGH").Name, "0123456789ABCDEF");
}

}  // namespace
}  // namespace q17
