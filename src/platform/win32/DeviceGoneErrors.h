#pragma once
// Which Win32 error codes, met on a serial handle that opened well, mean its
// device has gone. Plain numbers, so the rule is the same code on every
// system and is tested wherever the tests run.
#include <cstdint>

namespace q17::win32 {

// The codes by number, as winerror.h gives them.
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorNotReady = 21;
inline constexpr std::uint32_t kErrorBadCommand = 22;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorOperationAborted = 995;
inline constexpr std::uint32_t kErrorDeviceNotConnected = 1167;

// True for the errors an unplugged USB serial adapter gives on reads, writes
// and ClearCommError (drivers differ, and Wine says "not ready"). Access
// denied belongs here only because the handle opened well: at open time it
// means another program holds the port.
bool IsDeviceGoneError(std::uint32_t error);

}  // namespace q17::win32
