// The Win32 errors that mean an unplugged serial device: checked on every
// system, since the rule is plain numbers.
#include "platform/win32/DeviceGoneErrors.h"

#include <gtest/gtest.h>

namespace q17::win32 {
namespace {

TEST(DeviceGoneErrors, AnUnpluggedAdaptersErrorsAndNoOthers) {
  const std::pair<std::uint32_t, bool> table[] = {
      {1167, true},  // ERROR_DEVICE_NOT_CONNECTED
      {22, true},    // ERROR_BAD_COMMAND
      {21, true},    // ERROR_NOT_READY, as Wine gives it
      {995, true},   // ERROR_OPERATION_ABORTED
      {5, true},     // ERROR_ACCESS_DENIED after a good open
      {31, true},    // ERROR_GEN_FAILURE
      {2, true},     // ERROR_FILE_NOT_FOUND
      {0, false},    // ERROR_SUCCESS
      {6, false},    // ERROR_INVALID_HANDLE: our fault, not the device's
      {87, false},   // ERROR_INVALID_PARAMETER
      {121, false},  // ERROR_SEM_TIMEOUT: a slow line
      {1117, false}, // ERROR_IO_DEVICE
  };
  for (const auto& [error, gone] : table) EXPECT_EQ(IsDeviceGoneError(error), gone) << error;
}

}  // namespace
}  // namespace q17::win32
