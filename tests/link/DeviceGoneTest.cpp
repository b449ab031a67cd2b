#include <gtest/gtest.h>

#include <array>

#include "link/ErrMsg.h"
#include "link/KvlInterface.h"
#include "support/FakeD2xxApi.h"
#include "support/FakeSerialApi.h"

namespace q17 {
namespace {

using test::FakeD2xxApi;

// An unplugged adapter, of either kind, found by an exchange or by asking.
struct GoneCase {
  const char* name;
  bool ftdi;
  bool foundByExchange;
};

class DeviceGone : public ::testing::TestWithParam<GoneCase> {
 protected:
  void SetUp() override {
    if (GetParam().ftdi) {
      d2xx.devices = {FakeD2xxApi::Device(0x5A17, "Reader", "AB\x14\x0C" "E\x11\x3A\x25")};
    } else {
      serial.names = {"COM1"};
    }
    list.Refresh();
    ASSERT_EQ(list.Open(0, 0), rcOk);
    list.SetDeviceGoneHandler([this] { ++told; });
  }

  void Unplug() { (GetParam().ftdi ? d2xx.gone : serial.gone) = true; }
  std::size_t Writes() const { return (GetParam().ftdi ? d2xx.line : serial.line).writes.size(); }
  int Exchange() {
    std::uint16_t code = 40;
    std::uint16_t length = 0;
    return list.Transaction(1, data.data(), code, length);
  }

  test::FakeSerialApi serial;
  FakeD2xxApi d2xx;
  TInterfList list{serial, d2xx};
  std::array<std::uint8_t, kMaxData> data{};
  int told = 0;
};

TEST_P(DeviceGone, ToldOnceThenEveryExchangeRefusedAtOnce) {
  EXPECT_TRUE(list.CheckOpenDevice());
  EXPECT_FALSE(list.DeviceGone());

  Unplug();
  if (GetParam().foundByExchange) {
    EXPECT_NE(Exchange(), rcOk);
  } else {
    EXPECT_FALSE(list.CheckOpenDevice());
  }
  EXPECT_TRUE(list.DeviceGone());
  EXPECT_EQ(told, 1);

  const std::size_t writes = Writes();
  EXPECT_EQ(Exchange(), rcPortClosed);
  EXPECT_FALSE(list.CheckOpenDevice());
  EXPECT_EQ(Writes(), writes);
  EXPECT_EQ(told, 1);

  list.Close();
  EXPECT_FALSE(list.DeviceGone());
  EXPECT_TRUE(list.CheckOpenDevice());
}

INSTANTIATE_TEST_SUITE_P(Kinds, DeviceGone,
                         ::testing::Values(GoneCase{"SerialByExchange", false, true},
                                           GoneCase{"SerialByAsking", false, false},
                                           GoneCase{"FtdiByExchange", true, true},
                                           GoneCase{"FtdiByAsking", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// An I/O error in an exchange is the line's trouble; the same error when
// asked after the system reported devices gone is this adapter gone.
TEST(DeviceGoneFtdi, IoErrorIsGoneOnlyWhenAsked) {
  test::FakeSerialApi serial;
  FakeD2xxApi d2xx;
  d2xx.devices = {FakeD2xxApi::Device(0x5A17, "Reader", "AB\x14\x0C" "E\x11\x3A\x25")};
  TInterfList list{serial, d2xx};
  list.Refresh();
  ASSERT_EQ(list.Open(0, 0), rcOk);
  std::array<std::uint8_t, kMaxData> data{};
  std::uint16_t code = 40;
  std::uint16_t length = 0;
  d2xx.readFails = true;
  d2xx.queueFails = true;
  EXPECT_NE(list.Transaction(1, data.data(), code, length), rcOk);
  EXPECT_FALSE(list.DeviceGone());
  EXPECT_FALSE(list.CheckOpenDevice());
  EXPECT_TRUE(list.DeviceGone());
}

}  // namespace
}  // namespace q17
