// The D2XX calls on whatever USB this machine has, which is usually none:
// they must answer, not crash, and never touch a handle they did not make.
#include <gtest/gtest.h>

#include "platform/D2xxApi.h"

namespace q17 {
namespace {

TEST(PosixD2xxTest, CountingWithoutUsbOrDevicesIsSafe) {
  auto api = MakeSystemD2xxApi();
  const bool available = api->Available();
  std::uint32_t count = 99;
  EXPECT_EQ(api->ListDevicesCount(count), FT_OK);
  if (!available) {
    EXPECT_EQ(count, 0u);
  }

  FtHandle h = 77;
  EXPECT_NE(api->Open(static_cast<int>(count), h), FT_OK);
  EXPECT_EQ(h, 0u);
  EXPECT_NE(api->Open(-1, h), FT_OK);
  EXPECT_NE(api->OpenEx("NO-SUCH-SERIAL", FT_OPEN_BY_SERIAL_NUMBER, h), FT_OK);
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(api->OpenEx("X", 2, h), FT_INVALID_PARAMETER);
  EXPECT_EQ(api->OpenEx("", FT_OPEN_BY_SERIAL_NUMBER, h), FT_INVALID_PARAMETER);
}

TEST(PosixD2xxTest, UnknownHandlesAreRefused) {
  auto api = MakeSystemD2xxApi();
  std::uint8_t buf[4] = {};
  std::uint32_t n = 5;
  FtEepromData ee;
  // 0, and a value that would crash if it were taken for a pointer.
  for (FtHandle h : {FtHandle{0}, FtHandle{0x10}}) {
    EXPECT_EQ(api->EeRead(h, ee), FT_INVALID_HANDLE);
    EXPECT_EQ(api->SetBaudRate(h, 9600), FT_INVALID_HANDLE);
    EXPECT_EQ(api->SetDataCharacteristics(h, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE),
              FT_INVALID_HANDLE);
    EXPECT_EQ(api->SetFlowControl(h, FT_FLOW_NONE, 0, 0), FT_INVALID_HANDLE);
    EXPECT_EQ(api->SetTimeouts(h, 1, 50), FT_INVALID_HANDLE);
    EXPECT_EQ(api->GetQueueStatus(h, n), FT_INVALID_HANDLE);
    EXPECT_EQ(api->Read(h, buf, sizeof buf, n), FT_INVALID_HANDLE);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(api->Write(h, buf, sizeof buf, n), FT_INVALID_HANDLE);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(api->Close(h), FT_INVALID_HANDLE);
  }
}

}  // namespace
}  // namespace q17
