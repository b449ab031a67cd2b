#include "link/OpenFailureText.h"

#include <gtest/gtest.h>

#include "link/ErrMsg.h"
#include "support/FakeD2xxApi.h"
#include "support/FakeSerialApi.h"

namespace q17 {
namespace {

TEST(OpenFailureText, TheWordsForEachReason) {
  test::FakeSerialApi serial;
  test::FakeD2xxApi d2xx;
  TInterfList list{serial, d2xx};
  serial.names = {"/dev/ttyUSB0"};
  list.Refresh();
  const std::pair<OpenFailure, const char*> table[] = {
      {OpenFailure::NoDevice, "no such device; is the adapter plugged in? 'q17ctl ports' lists what is there"},
      {OpenFailure::PermissionDenied,
       "permission denied; members of the group 'dialout' may open it: 'sudo usermod -aG dialout $USER', then log in "
       "again"},
      {OpenFailure::Busy, "in use by another program; close it and try again"},
      {OpenFailure::NotSerial, "not a serial port"},
      {OpenFailure::Other, "the port could not be opened (scripted failure)"},
      {OpenFailure::NoAnswer, "сервер не отвечает (scripted failure)"},
      {OpenFailure::Refused, "соединение отклонено (scripted failure)"},
      {OpenFailure::ServerBusy, "порт занят другим клиентом (scripted failure)"},
  };
  for (const auto& [failure, words] : table) {
    serial.failOpen = failure;
    ASSERT_EQ(list.Open(0, 0), rcOpenError);
    EXPECT_EQ(ExplainOpenFailure(list), words);
  }
  serial.failOpen = OpenFailure::None;
  EXPECT_EQ(list.Open(0, 0), rcOk);
  EXPECT_EQ(ExplainOpenFailure(list), "") << "nothing to explain after a good open";
}

}  // namespace
}  // namespace q17
