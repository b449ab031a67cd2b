// The D2XX calls the link needs, over libftdi1 and libusb. Devices are
// opened only when nobody holds them: a device that the kernel's ftdi_sio
// driver or another program has, or that the user may not open, is left
// alone rather than taken over.
#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/D2xxApi.h"
#include "platform/posix/FtdiEeprom.h"

namespace q17 {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint16_t kFtdiVendor = 0x0403;
constexpr int kEepromMaxBytes = 256;
// Short replies must not sit in the chip for its default 16 ms.
constexpr unsigned char kLatencyMs = 2;
// Until SetTimeouts says otherwise, bound every call rather than wait for ever.
constexpr std::uint32_t kDefaultTimeoutMs = 1000;
// An adapter pulled out of its socket answers every transfer with
// LIBUSB_ERROR_NO_DEVICE; D2XX calls that a device that is not found.
FtStatus UsbFailure(int rc) { return rc == LIBUSB_ERROR_NO_DEVICE ? FT_DEVICE_NOT_FOUND : FT_IO_ERROR; }

// A bulk-in transfer that libusb cancels on time-out takes what it had
// received with it (libftdi drops it), so one USB poll is never cut shorter
// than this; the chip answers every latency period anyway, and Read keeps
// its own deadline.
constexpr int kMinUsbReadTimeoutMs = 100;

// Where a device sits on the bus; stays the same while it is plugged in.
struct BusSlot {
  std::uint8_t bus = 0;
  std::uint8_t address = 0;
};

struct Device {
  ftdi_context* ftdi = nullptr;
  std::deque<std::uint8_t> rx;  // received, not yet handed out
  std::uint32_t readTimeoutMs = kDefaultTimeoutMs;
};

struct FtdiDeleter {
  void operator()(ftdi_context* f) const { ftdi_free(f); }
};
using FtdiPtr = std::unique_ptr<ftdi_context, FtdiDeleter>;

struct DeviceListDeleter {
  void operator()(libusb_device** list) const { libusb_free_device_list(list, 1); }
};
using DeviceList = std::unique_ptr<libusb_device*, DeviceListDeleter>;

// The FTDI devices of the bus, in the order the bus walk gives them. Every
// product id counts: the EEPROM, not the id, decides what is listed.
std::vector<libusb_device*> FtdiDevices(libusb_device** list, ssize_t count) {
  std::vector<libusb_device*> found;
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(list[i], &desc) != 0) continue;
    if (desc.idVendor == kFtdiVendor) found.push_back(list[i]);
  }
  return found;
}

BusSlot SlotOf(libusb_device* dev) {
  return {libusb_get_bus_number(dev), libusb_get_device_address(dev)};
}

bool SameSlot(const BusSlot& a, const BusSlot& b) {
  return a.bus == b.bus && a.address == b.address;
}

// Where the FTDI devices are now. Empty when there is no USB at all;
// false when the bus cannot be walked.
bool WalkBus(std::vector<BusSlot>& slots) {
  slots.clear();
  FtdiPtr f(ftdi_new());
  if (!f) return true;
  libusb_device** raw = nullptr;
  const ssize_t n = libusb_get_device_list(f->usb_ctx, &raw);
  if (n < 0) return false;
  DeviceList list(raw);
  for (libusb_device* dev : FtdiDevices(raw, n)) slots.push_back(SlotOf(dev));
  return true;
}

// Opens the FTDI device at `slot` through a libftdi context of its own, whose
// libusb context then lives exactly as long as the open device. Null when
// the device is gone or will not open.
FtdiPtr OpenAt(const BusSlot& slot) {
  FtdiPtr f(ftdi_new());
  if (!f) return nullptr;
  // Never unbind ftdi_sio: a device in its hands (or in another program's)
  // must fail to open here, not be taken away.
  f->module_detach_mode = DONT_DETACH_SIO_MODULE;
  libusb_device** raw = nullptr;
  const ssize_t n = libusb_get_device_list(f->usb_ctx, &raw);
  if (n < 0) return nullptr;
  DeviceList list(raw);  // freed before f: an open device keeps its own reference
  for (libusb_device* dev : FtdiDevices(raw, n)) {
    if (!SameSlot(SlotOf(dev), slot)) continue;
    // On failure ftdi_free closes whatever was left half open.
    if (ftdi_usb_open_dev(f.get(), dev) < 0) return nullptr;
    return f;
  }
  return nullptr;
}

bool ReadEeprom(ftdi_context* f, FtEepromData& data) {
  if (ftdi_read_eeprom(f) < 0) return false;
  std::uint8_t image[kEepromMaxBytes] = {};
  if (ftdi_get_eeprom_buf(f, image, sizeof image) != 0) return false;
  int chipSize = 0;
  if (ftdi_get_eeprom_value(f, CHIP_SIZE, &chipSize) != 0 || chipSize <= 0 ||
      chipSize > kEepromMaxBytes) {
    chipSize = kEepromMaxBytes;  // size unknown (blank or odd part): parse it all
  }
  return ParseFtdiEeprom(image, static_cast<std::size_t>(chipSize), data);
}

std::string UsbSerial(ftdi_context* f) {
  libusb_device_descriptor desc{};
  libusb_device* dev = libusb_get_device(f->usb_dev);
  if (!dev || libusb_get_device_descriptor(dev, &desc) != 0 || desc.iSerialNumber == 0) return {};
  unsigned char text[256] = {};
  const int n = libusb_get_string_descriptor_ascii(f->usb_dev, desc.iSerialNumber, text,
                                                   sizeof text);
  if (n <= 0) return {};
  std::string serial(reinterpret_cast<const char*>(text), static_cast<std::size_t>(n));
  serial.resize(std::strlen(serial.c_str()));  // as the EEPROM decoder: a zero ends it
  return serial;
}

bool SameSerial(const std::string& found, const std::string& wanted) {
  if (found.empty()) return false;
  // FT_EE_Read hands out at most 15 characters: compare what the caller can know.
  return found == wanted || found.substr(0, kFtSerialChars) == wanted;
}

class PosixD2xxApi final : public D2xxApi {
 public:
  ~PosixD2xxApi() override {
    for (auto& [handle, dev] : devices_) CloseDevice(*dev);
  }

  bool Available() override {
    if (!available_) {
      FtdiPtr probe(ftdi_new());  // fails when libusb cannot start (no USB at all)
      available_ = probe != nullptr;
    }
    return *available_;
  }

  FtStatus ListDevicesCount(std::uint32_t& count) override {
    count = 0;
    // Without any USB there are no FTDI devices (and FT_OK): the caller
    // still lists its serial ports. Available() tells the two cases apart.
    if (!WalkBus(slots_)) return FT_IO_ERROR;
    count = static_cast<std::uint32_t>(slots_.size());
    return FT_OK;
  }

  FtStatus Open(int index, FtHandle& handle) override {
    handle = 0;
    if (slots_.empty()) {
      // Opened without a count first: walk the bus now.
      std::uint32_t count = 0;
      if (ListDevicesCount(count) != FT_OK) return FT_DEVICE_NOT_FOUND;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= slots_.size()) return FT_DEVICE_NOT_FOUND;
    FtdiPtr f = OpenAt(slots_[static_cast<std::size_t>(index)]);
    if (!f) return FT_DEVICE_NOT_OPENED;
    handle = Adopt(std::move(f));
    return FT_OK;
  }

  FtStatus EeRead(FtHandle handle, FtEepromData& data) override {
    Device* dev = Find(handle);
    if (!dev) return FT_INVALID_HANDLE;
    data = FtEepromData{};
    return ReadEeprom(dev->ftdi, data) ? FT_OK : FT_EEPROM_READ_FAILED;
  }

  FtStatus Close(FtHandle handle) override {
    auto it = devices_.find(handle);
    if (it == devices_.end()) return FT_INVALID_HANDLE;
    CloseDevice(*it->second);
    devices_.erase(it);
    return FT_OK;
  }

  FtStatus OpenEx(const std::string& serialNumber, std::uint32_t flags, FtHandle& handle) override {
    handle = 0;
    if (flags != FT_OPEN_BY_SERIAL_NUMBER || serialNumber.empty()) return FT_INVALID_PARAMETER;
    std::vector<BusSlot> slots;
    if (!WalkBus(slots)) return FT_IO_ERROR;
    bool refused = false;
    for (const BusSlot& slot : slots) {
      FtdiPtr f = OpenAt(slot);
      if (!f) {  // someone else's, or not ours to open
        refused = true;
        continue;
      }
      FtEepromData ee;
      // A chip told not to report its serial number still has it in the EEPROM.
      if (!SameSerial(UsbSerial(f.get()), serialNumber) &&
          !(ReadEeprom(f.get(), ee) && SameSerial(ee.serialNumber, serialNumber))) {
        ftdi_usb_close(f.get());
        continue;
      }
      // Best effort: without it replies still come, only later.
      ftdi_set_latency_timer(f.get(), kLatencyMs);
      handle = Adopt(std::move(f));
      return FT_OK;
    }
    // The one we want may be among those that would not open.
    return refused ? FT_DEVICE_NOT_OPENED : FT_DEVICE_NOT_FOUND;
  }

  FtStatus SetBaudRate(FtHandle handle, std::uint32_t baud) override {
    Device* dev = Find(handle);
    if (!dev) return FT_INVALID_HANDLE;
    if (baud == 0 || baud > INT_MAX) return FT_INVALID_PARAMETER;
    const int rc = ftdi_set_baudrate(dev->ftdi, static_cast<int>(baud));
    if (rc == -1) return FT_INVALID_PARAMETER;  // a rate the chip cannot make
    return rc < 0 ? FT_IO_ERROR : FT_OK;
  }

  FtStatus SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                  std::uint8_t parity) override {
    Device* dev = Find(handle);
    if (!dev) return FT_INVALID_HANDLE;
    ftdi_bits_type bits;
    switch (wordLength) {
      case 7: bits = BITS_7; break;
      case FT_BITS_8: bits = BITS_8; break;
      default: return FT_INVALID_PARAMETER;
    }
    ftdi_stopbits_type stop;
    switch (stopBits) {
      case FT_STOP_BITS_1: stop = STOP_BIT_1; break;
      case 2: stop = STOP_BIT_2; break;  // FT_STOP_BITS_2
      default: return FT_INVALID_PARAMETER;
    }
    if (parity > 4) return FT_INVALID_PARAMETER;
    // D2XX and libftdi number none, odd, even, mark, space alike.
    const auto par = static_cast<ftdi_parity_type>(parity);
    return ftdi_set_line_property(dev->ftdi, bits, stop, par) < 0 ? FT_IO_ERROR : FT_OK;
  }

  FtStatus SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                          std::uint8_t xoff) override {
    Device* dev = Find(handle);
    if (!dev) return FT_INVALID_HANDLE;
    int rc;
    switch (flow) {
      case FT_FLOW_NONE: rc = ftdi_setflowctrl(dev->ftdi, SIO_DISABLE_FLOW_CTRL); break;
      case 0x0100: rc = ftdi_setflowctrl(dev->ftdi, SIO_RTS_CTS_HS); break;  // FT_FLOW_RTS_CTS
      case 0x0200: rc = ftdi_setflowctrl(dev->ftdi, SIO_DTR_DSR_HS); break;  // FT_FLOW_DTR_DSR
      case 0x0400: rc = ftdi_setflowctrl_xonxoff(dev->ftdi, xon, xoff); break;  // FT_FLOW_XON_XOFF
      default: return FT_INVALID_PARAMETER;
    }
    return rc < 0 ? FT_IO_ERROR : FT_OK;
  }

  FtStatus SetTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs) override {
    Device* dev = Find(handle);
    if (!dev) return FT_INVALID_HANDLE;
    dev->readTimeoutMs = readMs;
    dev->ftdi->usb_read_timeout = static_cast<int>(
        std::clamp<std::uint32_t>(readMs, kMinUsbReadTimeoutMs, INT_MAX));
    // libusb reads a time-out of 0 as "wait for ever".
    dev->ftdi->usb_write_timeout = static_cast<int>(
        std::clamp<std::uint32_t>(writeMs == 0 ? kDefaultTimeoutMs : writeMs, 1, INT_MAX));
    return FT_OK;
  }

  FtStatus GetQueueStatus(FtHandle handle, std::uint32_t& rxBytes) override {
    rxBytes = 0;
    Device* dev = Find(handle);
    if (!dev) return FT_INVALID_HANDLE;
    // libftdi cannot say what is waiting without reading it. When nothing
    // is known to wait, ask for one byte: that costs one USB poll, and the
    // rest of what the poll brought stays in libftdi's own buffer, counted
    // from there.
    if (dev->rx.empty() && dev->ftdi->readbuffer_remaining == 0) {
      std::uint8_t byte = 0;
      const int rc = ftdi_read_data(dev->ftdi, &byte, 1);
      if (rc < 0 && rc != LIBUSB_ERROR_TIMEOUT) return UsbFailure(rc);
      if (rc == 1) dev->rx.push_back(byte);
    }
    const std::size_t waiting = dev->rx.size() + dev->ftdi->readbuffer_remaining;
    rxBytes = static_cast<std::uint32_t>(std::min<std::size_t>(waiting, UINT32_MAX));
    return FT_OK;
  }

  FtStatus Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t size,
                std::uint32_t& bytesRead) override {
    bytesRead = 0;
    Device* dev = Find(handle);
    if (!dev) return FT_INVALID_HANDLE;
    if (size == 0) return FT_OK;
    if (!buffer) return FT_INVALID_PARAMETER;

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(dev->readTimeoutMs);
    std::uint32_t got = 0;
    while (got < size && !dev->rx.empty()) {
      buffer[got++] = dev->rx.front();
      dev->rx.pop_front();
    }
    // Each ftdi_read_data returns after one latency period when the line is
    // quiet, so this waits on the chip rather than spinning.
    while (got < size) {
      const int chunk = static_cast<int>(std::min<std::uint32_t>(size - got, INT_MAX));
      const int rc = ftdi_read_data(dev->ftdi, buffer + got, chunk);
      if (rc < 0 && rc != LIBUSB_ERROR_TIMEOUT) {
        bytesRead = got;
        return UsbFailure(rc);
      }
      if (rc > 0) got += static_cast<std::uint32_t>(rc);
      if (Clock::now() >= deadline) break;
    }
    bytesRead = got;
    return FT_OK;
  }

  FtStatus Write(FtHandle handle, const std::uint8_t* data, std::uint32_t size,
                 std::uint32_t& bytesWritten) override {
    bytesWritten = 0;
    Device* dev = Find(handle);
    if (!dev) return FT_INVALID_HANDLE;
    if (size == 0) return FT_OK;
    if (!data || size > INT_MAX) return FT_INVALID_PARAMETER;
    const int rc = ftdi_write_data(dev->ftdi, data, static_cast<int>(size));
    if (rc < 0) return UsbFailure(rc);
    bytesWritten = static_cast<std::uint32_t>(rc);
    return FT_OK;
  }

 private:
  Device* Find(FtHandle handle) {
    auto it = devices_.find(handle);
    return it == devices_.end() ? nullptr : it->second.get();
  }

  static void CloseDevice(Device& dev) {
    if (!dev.ftdi) return;
    ftdi_usb_close(dev.ftdi);
    ftdi_free(dev.ftdi);
    dev.ftdi = nullptr;
  }

  FtHandle Adopt(FtdiPtr f) {
    auto dev = std::make_unique<Device>();
    dev->ftdi = f.release();
    dev->ftdi->usb_read_timeout = static_cast<int>(kDefaultTimeoutMs);
    dev->ftdi->usb_write_timeout = static_cast<int>(kDefaultTimeoutMs);
    const auto handle = reinterpret_cast<FtHandle>(dev.get());
    devices_[handle] = std::move(dev);
    return handle;
  }

  std::optional<bool> available_;
  std::vector<BusSlot> slots_;  // the last bus walk of ListDevicesCount
  std::map<FtHandle, std::unique_ptr<Device>> devices_;
};

}  // namespace

std::unique_ptr<D2xxApi> MakeSystemD2xxApi() { return std::make_unique<PosixD2xxApi>(); }

}  // namespace q17
