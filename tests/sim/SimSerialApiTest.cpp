#include "SimSerialApi.h"

#include <gtest/gtest.h>

#include "BusHelpers.h"

namespace q17::sim {
namespace {

using test::Bytes;

class SimSerialApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port = api.Open("SIM", TLineSettings{}).Port;
    ASSERT_NE(port, nullptr);
  }
  void Send(std::uint16_t code, const Bytes& data = {}) {
    const Bytes frame = EncodeRequest(0, 1, code, data);
    ASSERT_EQ(port->Write(frame.data(), frame.size()), static_cast<long>(frame.size()));
  }
  Bytes ReadAll(int waitMs) {
    Bytes out;
    std::uint8_t buf[7];
    long n;
    while ((n = port->Read(buf, sizeof buf, waitMs)) > 0) out.insert(out.end(), buf, buf + n);
    return out;
  }

  ReaderBus bus;
  SimSerialApi api{bus};
  std::unique_ptr<SerialPort> port;
};

TEST_F(SimSerialApiTest, OnePortByItsName) {
  ReaderBus other;
  SimSerialApi named(other, "/dev/ttyQ17");
  const auto ports = named.ListSerialPorts();
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].Name, "/dev/ttyQ17");
  const TSerialOpen missing = named.Open("/dev/ttyUSB0", {});
  EXPECT_EQ(missing.Port, nullptr);
  EXPECT_EQ(missing.Failure.Reason, OpenFailure::NoDevice);
  const TSerialOpen again = api.Open("SIM", {});  // already open
  EXPECT_EQ(again.Port, nullptr);
  EXPECT_EQ(again.Failure.Reason, OpenFailure::Busy);
  port.reset();
  EXPECT_FALSE(api.IsOpen());
  EXPECT_NE(api.Open("SIM", {}).Port, nullptr);
}

TEST_F(SimSerialApiTest, WriteThenReadGivesTheReplyInPieces) {
  Send(27);
  EXPECT_EQ(ReadAll(0), (Bytes{0xFC, 0x00, 0x01, 0x00, 0x00, 0x02, 0x64, 0x00, 0xD0, 0x44, 0xFE}));
  std::uint8_t b;
  EXPECT_EQ(port->Read(&b, 1, 0), 0);  // nothing pending
  EXPECT_EQ(api.Writes().size(), 1u);
}

TEST_F(SimSerialApiTest, WaitingMovesVirtualTime) {
  bus.GetFaults().SetOn(FaultKind::Delay, true);
  bus.GetFaults().SetDelayMs(30);
  Send(27);
  std::uint8_t buf[64];
  EXPECT_EQ(port->Read(buf, sizeof buf, 0), 0);
  EXPECT_EQ(port->Read(buf, sizeof buf, 20), 0);  // 20 ms of silence
  EXPECT_EQ(api.NowMs(), 20);
  EXPECT_EQ(port->Read(buf, sizeof buf, 50), 11);  // arrives 10 ms into this wait
  EXPECT_EQ(api.NowMs(), 30);
}

TEST_F(SimSerialApiTest, LateReplyIsDroppedWhenThePcSpeaksAgain) {
  bus.GetFaults().SetNext(FaultKind::Delay, 1);
  bus.GetFaults().SetDelayMs(100);
  Send(27);
  std::uint8_t buf[64];
  EXPECT_EQ(port->Read(buf, sizeof buf, 50), 0);  // the PC gives up after 50 ms
  Send(18);
  const auto pc = test::PcReceive(ReadAll(50), 0);
  EXPECT_EQ(pc.result, 0);
  EXPECT_EQ(pc.data, Bytes{0});  // the attenuation, not the tag memory time
  EXPECT_EQ(ReadAll(500), Bytes{});  // the late one never comes
}

TEST_F(SimSerialApiTest, LineSettingIsKept) {
  port.reset();
  port = api.Open("SIM", TLineSettings{19200}).Port;
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(api.Line().Baud, 19200u);
}

TEST_F(SimSerialApiTest, ReopeningStartsEmpty) {
  Send(27);
  port.reset();
  port = api.Open("SIM", {}).Port;
  EXPECT_EQ(ReadAll(50), Bytes{});
}

}  // namespace
}  // namespace q17::sim
