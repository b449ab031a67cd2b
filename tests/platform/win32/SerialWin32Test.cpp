// A COM port's open as the program has always made it: CreateFileA's
// arguments, the four DCB fields, the comm time-outs; and the real calls
// on a port that is not there.
#include "platform/win32/SerialSetup.h"

#include <gtest/gtest.h>

namespace q17::win32 {
namespace {

TEST(SerialWin32, TheOpenSequencesArguments) {
  const TCreateFileArgs args = PortCreateArgs();
  EXPECT_EQ(args.Access, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
  EXPECT_EQ(args.Share, 0u) << "no sharing";
  EXPECT_EQ(args.Disposition, static_cast<DWORD>(OPEN_EXISTING));
  EXPECT_EQ(args.Flags, static_cast<DWORD>(FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING));
  EXPECT_EQ(DevicePath("COM10"), "\\\\.\\COM10");
  EXPECT_EQ(DevicePath("\\\\.\\COM3"), "\\\\.\\COM3");

  // Only the four line fields change; handshaking and the rest stay.
  DCB dcb{};
  dcb.BaudRate = 1200;
  dcb.ByteSize = 7;
  dcb.Parity = EVENPARITY;
  dcb.StopBits = TWOSTOPBITS;
  dcb.fOutxCtsFlow = TRUE;
  dcb.XonChar = 0x11;
  ApplyLine(dcb, TLineSettings{});
  EXPECT_EQ(dcb.BaudRate, 9600u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  EXPECT_TRUE(dcb.fOutxCtsFlow);
  EXPECT_EQ(dcb.XonChar, 0x11);

  const COMMTIMEOUTS t = PortTimeouts(TLineSettings{});
  EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 1u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 100u);
}

TEST(SerialWin32, AMissingPortFailsWithItsReason) {
  const TSerialOpen opened = MakeSystemSerialApi()->Open("COM199", TLineSettings{});
  EXPECT_EQ(opened.Port, nullptr);
  EXPECT_EQ(opened.Failure.Reason, OpenFailure::NoDevice);
  EXPECT_NE(opened.Failure.SystemError, 0);
  EXPECT_FALSE(opened.Failure.Detail.empty());
}

}  // namespace
}  // namespace q17::win32
