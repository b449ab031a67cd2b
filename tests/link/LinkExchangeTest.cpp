// The PC's own link (TInterfList) exchanging with the simulated bus in the
// same process: the results it gets, fault by fault.
#include <gtest/gtest.h>

#include "sim/BusHelpers.h"
#include "SimSerialApi.h"
#include "link/KvlInterface.h"

namespace q17::sim {
namespace {

using test::Bytes;

// No USB adapters on this machine.
class NoD2xx : public D2xxApi {
 public:
  bool Available() override { return false; }
  FtStatus ListDevicesCount(std::uint32_t& count) override {
    count = 0;
    return FT_OK;
  }
  FtStatus Open(int, FtHandle&) override { return FT_DEVICE_NOT_FOUND; }
  FtStatus EeRead(FtHandle, FtEepromData&) override { return FT_OTHER_ERROR; }
  FtStatus Close(FtHandle) override { return FT_OK; }
  FtStatus OpenEx(const std::string&, std::uint32_t, FtHandle&) override { return FT_DEVICE_NOT_FOUND; }
  FtStatus SetBaudRate(FtHandle, std::uint32_t) override { return FT_OK; }
  FtStatus SetDataCharacteristics(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t) override { return FT_OK; }
  FtStatus SetFlowControl(FtHandle, std::uint16_t, std::uint8_t, std::uint8_t) override { return FT_OK; }
  FtStatus SetTimeouts(FtHandle, std::uint32_t, std::uint32_t) override { return FT_OK; }
  FtStatus GetQueueStatus(FtHandle, std::uint32_t& rx) override {
    rx = 0;
    return FT_OK;
  }
  FtStatus Read(FtHandle, std::uint8_t*, std::uint32_t, std::uint32_t& got) override {
    got = 0;
    return FT_IO_ERROR;
  }
  FtStatus Write(FtHandle, const std::uint8_t*, std::uint32_t, std::uint32_t& written) override {
    written = 0;
    return FT_IO_ERROR;
  }
};

class LinkExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list.Refresh();
    const int index = list.IndexOf("SIM");
    ASSERT_GE(index, 0);
    ASSERT_EQ(list.Open(index, 0), 0);
  }
  void TearDown() override { list.Close(); }
  int Exchange(std::uint16_t command, const Bytes& request = {}) {
    std::copy(request.begin(), request.end(), payload);
    code = command;
    length = static_cast<std::uint16_t>(request.size());
    return list.Transaction(address, payload, code, length);
  }
  Bytes Reply() const { return Bytes(payload, payload + length); }

  ReaderBus bus;
  SimSerialApi serial{bus};
  NoD2xx d2xx;
  TInterfList list{serial, d2xx};
  int address = 1;
  std::uint8_t payload[kMaxData] = {};
  std::uint16_t code = 0;
  std::uint16_t length = 0;
};

TEST_F(LinkExchangeTest, ReadsTheDefaultsAndWritesBack) {
  ASSERT_EQ(Exchange(151), 0);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Reply(), (Bytes{0xAA, 0x55, 0x0A, 0x05, 0x14, 0x1E, 0x1E, 0x08, 0x0A, 0x05, 0x14, 0x1E, 0x1E, 0x08, 0x01,
                            0x0A}));
  ASSERT_EQ(Exchange(25, {0x2C, 0x01}), 0);
  ASSERT_EQ(Exchange(27), 0);
  EXPECT_EQ(Reply(), (Bytes{0x2C, 0x01}));
  EXPECT_EQ(list.PacketNo(), 3);
  // The request as the PC put it on the line.
  EXPECT_EQ(serial.Writes()[1], (Bytes{0xFB, 0x01, 0x01, 0x00, 0x19, 0x02, 0x2C, 0x01, 0x30, 0x18, 0xFD}));
}

struct FaultCase {
  const char* line;  // control line that arms the fault for one reply
  int result;
};

TEST_F(LinkExchangeTest, EachFaultGivesItsResultAndTheLineRecovers) {
  const FaultCase cases[] = {
      {"fault noise next 1", 0},   {"fault badcrc next 1", 6},  {"fault packetno next 1", 9},
      {"fault oversize next 1", 8}, {"fault flags11 next 1", 0}, {"fault noreply next 1", 6},
      {"fault cut next 1", 6},     {"fault delay next 1", 0},   {"fault delay next 1", 6},
  };
  bool shortDelay = true;
  for (const auto& c : cases) {
    if (std::string(c.line) == "fault delay next 1") {
      bus.ApplyControl(shortDelay ? "delay 30" : "delay 80");
      shortDelay = false;
    }
    ASSERT_EQ(bus.ApplyControl(c.line).substr(0, 2), "ok");
    const std::uint8_t before = list.PacketNo();
    EXPECT_EQ(Exchange(200, {1, 2, 3, 0xFA}), c.result) << c.line;
    EXPECT_EQ(list.PacketNo(), static_cast<std::uint8_t>(c.result == 0 ? before + 1 : before)) << c.line;
    // The next exchange is clean whatever the fault left on the line.
    ASSERT_EQ(Exchange(200, {9, 8, 7}), 0) << "after " << c.line;
    EXPECT_EQ(Reply(), (Bytes{9, 8, 7})) << "after " << c.line;
  }
}

TEST_F(LinkExchangeTest, SilentAddressTimesOut) {
  address = 2;
  EXPECT_EQ(Exchange(40), 6);
}

TEST_F(LinkExchangeTest, ChangeOfAddressMovesTheConversation) {
  ASSERT_EQ(Exchange(30, {0x05, 0xFA}), 0);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Exchange(40), 6);
  address = 5;
  ASSERT_EQ(Exchange(40), 0);
  const Bytes version = Reply();
  EXPECT_EQ(std::string(version.begin(), version.end()), "2xQ17 v1.0 ");
  ASSERT_EQ(Exchange(30, {0x07, 0xF9}), 0);  // complement of 7 is F8
  EXPECT_EQ(code, 20);
}

TEST_F(LinkExchangeTest, SoakWithRandomFaultsMatchesTheCounters) {
  bus.ApplyControl("fault random 7 2024");
  int failures = 0;
  for (int i = 0; i < 700; ++i) {
    if (Exchange(200, {static_cast<std::uint8_t>(i), 0xFE}) != 0) ++failures;
  }
  const Faults& f = bus.GetFaults();
  EXPECT_EQ(f.InjectedTotal(), 100u);
  EXPECT_EQ(static_cast<std::uint64_t>(failures),
            f.InjectedTotal() - f.Injected(FaultKind::Noise) - f.Injected(FaultKind::Flags11));
}

}  // namespace
}  // namespace q17::sim
