#include "SimSerialApi.h"

#include <gtest/gtest.h>

#include "BusHelpers.h"

namespace q17::sim {
namespace {

using test::Bytes;

class SimSerialApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    handle = api.Open("SIM", SerialOpenArgs{});
    ASSERT_NE(handle, 0u);
  }
  void Send(std::uint16_t code, const Bytes& data = {}) {
    const Bytes frame = EncodeRequest(0, 1, code, data);
    ASSERT_EQ(api.Write(handle, frame.data(), frame.size()), static_cast<long>(frame.size()));
  }
  Bytes ReadAll(int waitMs) {
    Bytes out;
    std::uint8_t buf[7];
    long n;
    while ((n = api.Read(handle, buf, sizeof buf, waitMs)) > 0) out.insert(out.end(), buf, buf + n);
    return out;
  }

  ReaderBus bus;
  SimSerialApi api{bus};
  PortHandle handle = 0;
};

TEST_F(SimSerialApiTest, OnePortByItsName) {
  ReaderBus other;
  SimSerialApi named(other, "/dev/ttyQ17");
  EXPECT_EQ(named.PortNames(), std::vector<std::string>{"/dev/ttyQ17"});
  EXPECT_EQ(named.Open("/dev/ttyUSB0", {}), 0u);
  EXPECT_EQ(named.LastOpenFailure(), OpenFailure::NoDevice);
  EXPECT_EQ(api.Open("SIM", {}), 0u);  // already open
  EXPECT_EQ(api.LastOpenFailure(), OpenFailure::Busy);
  api.Close(handle);
  EXPECT_FALSE(api.IsOpen());
  std::uint8_t b;
  EXPECT_EQ(api.Read(handle, &b, 1, 0), -1);
  EXPECT_EQ(api.Write(handle, &b, 1), -1);
  EXPECT_NE(api.Open("SIM", {}), 0u);
}

TEST_F(SimSerialApiTest, WriteThenReadGivesTheReplyInPieces) {
  Send(27);
  EXPECT_EQ(ReadAll(0), (Bytes{0xFC, 0x00, 0x01, 0x00, 0x00, 0x02, 0x64, 0x00, 0xD0, 0x44, 0xFE}));
  std::uint8_t b;
  EXPECT_EQ(api.Read(handle, &b, 1, 0), 0);  // nothing pending
  EXPECT_EQ(api.Writes().size(), 1u);
}

TEST_F(SimSerialApiTest, WaitingMovesVirtualTime) {
  bus.GetFaults().SetOn(FaultKind::Delay, true);
  bus.GetFaults().SetDelayMs(30);
  Send(27);
  std::uint8_t buf[64];
  EXPECT_EQ(api.Read(handle, buf, sizeof buf, 0), 0);
  EXPECT_EQ(api.Read(handle, buf, sizeof buf, 20), 0);  // 20 ms of silence
  EXPECT_EQ(api.NowMs(), 20);
  EXPECT_EQ(api.Read(handle, buf, sizeof buf, 50), 11);  // arrives 10 ms into this wait
  EXPECT_EQ(api.NowMs(), 30);
}

TEST_F(SimSerialApiTest, LateReplyIsDroppedWhenThePcSpeaksAgain) {
  bus.GetFaults().SetNext(FaultKind::Delay, 1);
  bus.GetFaults().SetDelayMs(100);
  Send(27);
  std::uint8_t buf[64];
  EXPECT_EQ(api.Read(handle, buf, sizeof buf, 50), 0);  // the PC gives up after 50 ms
  Send(18);
  const auto pc = test::PcReceive(ReadAll(50), 0);
  EXPECT_EQ(pc.result, 0);
  EXPECT_EQ(pc.data, Bytes{0});  // the attenuation, not the tag memory time
  EXPECT_EQ(ReadAll(500), Bytes{});  // the late one never comes
}

TEST_F(SimSerialApiTest, LineStateIsKept) {
  LineState s{19200, 8, 0, 0};
  EXPECT_TRUE(api.SetCommState(handle, s));
  LineState back;
  EXPECT_TRUE(api.GetCommState(handle, back));
  EXPECT_EQ(back.baudRate, 19200u);
  EXPECT_TRUE(api.SetCommTimeouts(handle, CommTimeouts{}));
  EXPECT_FALSE(api.SetCommState(handle + 1, s));
}

TEST_F(SimSerialApiTest, ReopeningStartsEmpty) {
  Send(27);
  api.Close(handle);
  handle = api.Open("SIM", {});
  EXPECT_EQ(ReadAll(50), Bytes{});
}

}  // namespace
}  // namespace q17::sim
