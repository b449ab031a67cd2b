#pragma once
// FTDI devices with EEPROM contents, failing calls on demand, and a
// scripted line behind the opened device.
#include <string>
#include <vector>

#include "platform/D2xxApi.h"
#include "support/ScriptedLine.h"

namespace q17::test {

struct FakeFtdiDevice {
  FtEepromData eeprom;
  bool openFails = false;
  bool eeReadFails = false;
};

class FakeD2xxApi : public D2xxApi {
 public:
  bool Available() override { return available; }
  FtStatus ListDevicesCount(std::uint32_t& count) override {
    if (listFails) return FT_OTHER_ERROR;
    count = static_cast<std::uint32_t>(devices.size());
    return FT_OK;
  }
  FtStatus Open(int index, FtHandle& handle) override {
    if (index < 0 || index >= static_cast<int>(devices.size()) || devices[index].openFails) return FT_DEVICE_NOT_OPENED;
    handle = static_cast<FtHandle>(index + 1);
    ++openCount;
    return FT_OK;
  }
  FtStatus EeRead(FtHandle handle, FtEepromData& data) override {
    const auto& device = devices[handle - 1];
    if (device.eeReadFails) return FT_EEPROM_READ_FAILED;
    data = device.eeprom;
    return FT_OK;
  }
  FtStatus Close(FtHandle) override {
    ++closeCount;
    return FT_OK;
  }
  FtStatus OpenEx(const std::string& serial, std::uint32_t flags, FtHandle& handle) override {
    openExSerial = serial;
    openExFlags = flags;
    if (openExFails) return FT_DEVICE_NOT_FOUND;
    handle = 0x77;
    return FT_OK;
  }
  FtStatus SetBaudRate(FtHandle, std::uint32_t baud) override {
    this->baud = baud;
    return FT_OK;
  }
  FtStatus SetDataCharacteristics(FtHandle, std::uint8_t bits, std::uint8_t stop, std::uint8_t parity) override {
    dataChars = {bits, stop, parity};
    return FT_OK;
  }
  FtStatus SetFlowControl(FtHandle, std::uint16_t flow, std::uint8_t, std::uint8_t) override {
    this->flow = flow;
    return FT_OK;
  }
  FtStatus SetTimeouts(FtHandle, std::uint32_t readMs, std::uint32_t writeMs) override {
    timeouts.push_back({readMs, writeMs});
    return FT_OK;
  }
  FtStatus GetQueueStatus(FtHandle, std::uint32_t& rx) override {
    if (gone) return FT_DEVICE_NOT_FOUND;
    if (queueFails) return FT_IO_ERROR;
    rx = static_cast<std::uint32_t>(line.Waiting());
    return FT_OK;
  }
  FtStatus Read(FtHandle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t& got) override {
    if (gone) return FT_DEVICE_NOT_FOUND;
    if (readFails) return FT_IO_ERROR;
    got = static_cast<std::uint32_t>(line.Take(buffer, size));
    return FT_OK;
  }
  FtStatus Write(FtHandle, const std::uint8_t* data, std::uint32_t size, std::uint32_t& written) override {
    if (gone) return FT_DEVICE_NOT_FOUND;
    line.OnWrite(data, size);
    written = size;
    return writeFails ? FT_IO_ERROR : FT_OK;
  }

  static FakeFtdiDevice Device(std::uint16_t pid, const std::string& description, const std::string& serial) {
    FakeFtdiDevice d;
    d.eeprom.vendorId = 0x0403;
    d.eeprom.productId = pid;
    d.eeprom.description = description;
    d.eeprom.serialNumber = serial;
    return d;
  }

  std::vector<FakeFtdiDevice> devices;
  ScriptedLine line;
  bool available = true;
  bool listFails = false;
  bool openExFails = false;
  bool readFails = false;
  bool writeFails = false;
  bool gone = false;  // the adapter was unplugged
  bool queueFails = false;
  int openCount = 0;
  int closeCount = 0;
  std::string openExSerial;
  std::uint32_t openExFlags = 0;
  std::uint32_t baud = 0;
  std::vector<std::uint32_t> dataChars;
  std::uint16_t flow = 0xFFFF;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> timeouts;
};

}  // namespace q17::test
