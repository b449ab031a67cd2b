#pragma once
// FTDI USB adapters through the calls of the D2XX library. Windows loads
// ftd2xx.dll at run time; Linux implements the same calls over libftdi1.
#include <cstdint>
#include <memory>
#include <string>

namespace q17 {

using FtHandle = std::uintptr_t;  // 0 = none
using FtStatus = std::uint32_t;   // FT_OK = 0

inline constexpr FtStatus FT_OK = 0;
inline constexpr FtStatus FT_INVALID_HANDLE = 1;
inline constexpr FtStatus FT_DEVICE_NOT_FOUND = 2;
inline constexpr FtStatus FT_DEVICE_NOT_OPENED = 3;
inline constexpr FtStatus FT_IO_ERROR = 4;
inline constexpr FtStatus FT_INVALID_PARAMETER = 6;
inline constexpr FtStatus FT_EEPROM_READ_FAILED = 11;
inline constexpr FtStatus FT_OTHER_ERROR = 18;

inline constexpr std::uint32_t FT_OPEN_BY_SERIAL_NUMBER = 1;
inline constexpr std::uint8_t FT_BITS_8 = 8;
inline constexpr std::uint8_t FT_STOP_BITS_1 = 0;
inline constexpr std::uint8_t FT_PARITY_NONE = 0;
inline constexpr std::uint16_t FT_FLOW_NONE = 0;

// What FT_EE_Read gives back of the FT_PROGRAM_DATA record, with the text
// buffers the caller provides (32, 16, 64 and 16 bytes, zero-terminated).
struct FtEepromData {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string manufacturer;    // at most 31 characters
  std::string manufacturerId;  // at most 15
  std::string description;     // at most 63
  std::string serialNumber;    // at most 15
};

class D2xxApi {
 public:
  virtual ~D2xxApi() = default;

  // False when the library (ftd2xx.dll, libusb) cannot be used at all.
  virtual bool Available() = 0;

  // FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY).
  virtual FtStatus ListDevicesCount(std::uint32_t& count) = 0;
  // FT_Open by index.
  virtual FtStatus Open(int index, FtHandle& handle) = 0;
  // FT_EE_Read into a record with signatures 0 / 0xFFFFFFFF, version 2.
  virtual FtStatus EeRead(FtHandle handle, FtEepromData& data) = 0;
  virtual FtStatus Close(FtHandle handle) = 0;

  // FT_OpenEx(serial, FT_OPEN_BY_SERIAL_NUMBER, &handle).
  virtual FtStatus OpenEx(const std::string& serialNumber, std::uint32_t flags, FtHandle& handle) = 0;
  virtual FtStatus SetBaudRate(FtHandle handle, std::uint32_t baud) = 0;
  virtual FtStatus SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                          std::uint8_t stopBits, std::uint8_t parity) = 0;
  virtual FtStatus SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                  std::uint8_t xoff) = 0;
  virtual FtStatus SetTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs) = 0;
  // FT_GetQueueStatus: bytes waiting to be read.
  virtual FtStatus GetQueueStatus(FtHandle handle, std::uint32_t& rxBytes) = 0;
  // FT_Read: returns when `size` bytes arrived or the read time-out ran out.
  virtual FtStatus Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t size,
                        std::uint32_t& bytesRead) = 0;
  virtual FtStatus Write(FtHandle handle, const std::uint8_t* data, std::uint32_t size,
                         std::uint32_t& bytesWritten) = 0;
};

// The system's D2XX calls (ftd2xx.dll on Windows, libftdi1 on Linux).
std::unique_ptr<D2xxApi> MakeSystemD2xxApi();

}  // namespace q17
