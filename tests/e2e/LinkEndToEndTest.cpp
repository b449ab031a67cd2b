// The link's transactions through the real POSIX serial code against q17sim:
// each line fault's result, the packet number it leaves, and recovery.
#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e/SimHarness.h"
#include "link/KvlInterface.h"
#include "reader/RdrCmd.h"
#include "reader/WholeConfig.h"

namespace q17::test {
namespace {

class LinkEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SETUPQ17_PORTS", sim.Pty().c_str(), 1);
    list.Refresh();
    const int index = list.IndexOf(sim.Pty());
    ASSERT_GE(index, 0) << "the simulator's terminal is listed";
    ASSERT_EQ(list.Open(index, 0), 0);
  }

  int Echo() {
    state.CommandCode = cmd::Echo;
    state.PayloadLength = 10;
    for (int i = 0; i < 10; ++i) state.Payload[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x20 + i);
    return list.Transaction(state.ReaderAddress, state.Payload.data(), state.CommandCode, state.PayloadLength);
  }

  SimHarness sim;
  std::unique_ptr<SerialApi> serial = MakeSystemSerialApi();
  std::unique_ptr<D2xxApi> d2xx = MakeSystemD2xxApi();
  TInterfList list{*serial, *d2xx};
  TCommandState state;
};

TEST_F(LinkEndToEnd, EveryFaultGivesItsResultAndTheNextExchangeSucceeds) {
  struct Case {
    const char* fault;
    int result;
  };
  const Case cases[] = {
      {"noise", 0}, {"flags11", 0}, {"badcrc", 6}, {"packetno", 9},
      {"oversize", 8}, {"noreply", 6}, {"cut", 6}, {"delay", 0}, {"delay", 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    sim.Control(c.result == 6 && std::string(c.fault) == "delay" ? "delay 150" : "delay 5");
    sim.Control(std::string("fault ") + c.fault + " next 1");
    const std::uint8_t before = list.PacketNo();
    EXPECT_EQ(Echo(), c.result);
    // A good reply moves the packet number on; any failure repeats it.
    EXPECT_EQ(list.PacketNo(), c.result == 0 ? static_cast<std::uint8_t>(before + 1) : before);
    if (c.result == 0) {
      EXPECT_EQ(state.PayloadLength, 10);
      EXPECT_EQ(state.Payload[9], 0x29);
    }
    EXPECT_EQ(Echo(), 0);
  }
}

TEST_F(LinkEndToEnd, CommandsThroughThePseudoTerminal) {
  std::string version;
  EXPECT_EQ(ReadVersion(state, list, version), 0);
  EXPECT_EQ(version, "2xQ17 v1.0 ");
  state.Config.Channel[1].WCT = 77;
  state.TMT_2 = 2400;
  state.ATT_1 = 31;
  EXPECT_EQ(WriteConfig(state, list), 0);
  EXPECT_EQ(WriteTagMemTime2(state, list), 0);
  EXPECT_EQ(WriteAtten1(state, list), 0);
  TCommandState fresh;
  EXPECT_EQ(ReadWholeConfig(fresh, list).Code, 0);
  EXPECT_EQ(fresh.Config.Channel[1].WCT, 77);
  EXPECT_EQ(fresh.TMT_2, 2400);
  EXPECT_EQ(fresh.ATT_1, 31);

  sim.Control("tag add 2 00A10228");
  sim.Control("tag add 2 12345678");
  EXPECT_EQ(ReadTagCount2(state, list), 0);
  EXPECT_EQ(state.TagCount2, 2);
  TTagCode tag{};
  EXPECT_EQ(ReadFirstTag2(state, list, tag), 0);
  EXPECT_EQ(ReadNextTag2(state, list, tag), 0);
  EXPECT_EQ(ReadNextTag2(state, list, tag), 80) << "the walk ends with 'no tag'";
}

TEST_F(LinkEndToEnd, ClosingAndReopeningKeepsThePacketNumber) {
  EXPECT_EQ(Echo(), 0);
  const std::uint8_t packetNo = list.PacketNo();
  list.Close();
  EXPECT_EQ(Echo(), 3);
  ASSERT_EQ(list.Open(list.IndexOf(sim.Pty()), 0), 0);
  EXPECT_EQ(list.PacketNo(), packetNo);
  EXPECT_EQ(Echo(), 0);
}

}  // namespace
}  // namespace q17::test
