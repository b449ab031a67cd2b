#include "platform/win32/DeviceGoneErrors.h"

#ifdef _WIN32
#include "platform/win32/WindowsApi.h"

static_assert(q17::win32::kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(q17::win32::kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(q17::win32::kErrorNotReady == ERROR_NOT_READY);
static_assert(q17::win32::kErrorBadCommand == ERROR_BAD_COMMAND);
static_assert(q17::win32::kErrorGenFailure == ERROR_GEN_FAILURE);
static_assert(q17::win32::kErrorOperationAborted == ERROR_OPERATION_ABORTED);
static_assert(q17::win32::kErrorDeviceNotConnected == ERROR_DEVICE_NOT_CONNECTED);
#endif

namespace q17::win32 {

bool IsDeviceGoneError(std::uint32_t error) {
  switch (error) {
    case kErrorDeviceNotConnected:
    case kErrorBadCommand:
    case kErrorNotReady:
    case kErrorOperationAborted:
    case kErrorAccessDenied:
    case kErrorGenFailure:
    case kErrorFileNotFound:
      return true;
    default:
      return false;
  }
}

}  // namespace q17::win32
