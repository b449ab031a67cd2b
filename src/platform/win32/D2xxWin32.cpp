// The FTDI D2XX calls from ftd2xx.dll, loaded when first needed so that the
// program starts and lists COM ports on machines without the FTDI driver.
#include "platform/win32/WindowsApi.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "platform/D2xxApi.h"

namespace q17 {
namespace {

using FT_STATUS = ULONG;
using FT_HANDLE = PVOID;

constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000u;

// The EEPROM record of FT_EE_Read, structure version 2 (FT232R), with the
// natural alignment of the driver's headers.
struct FT_PROGRAM_DATA {
  DWORD Signature1;  // 0x00000000
  DWORD Signature2;  // 0xFFFFFFFF
  DWORD Version;     // 0 original, 1 FT2232 extensions, 2 FT232R extensions
  WORD VendorId;
  WORD ProductId;
  char* Manufacturer;
  char* ManufacturerId;
  char* Description;
  char* SerialNumber;
  WORD MaxPower;
  WORD PnP;
  WORD SelfPowered;
  WORD RemoteWakeup;
  // Rev4 (FT232B)
  UCHAR Rev4;
  UCHAR IsoIn;
  UCHAR IsoOut;
  UCHAR PullDownEnable;
  UCHAR SerNumEnable;
  UCHAR USBVersionEnable;
  WORD USBVersion;
  // Rev5 (FT2232), version 1
  UCHAR Rev5;
  UCHAR IsoInA;
  UCHAR IsoInB;
  UCHAR IsoOutA;
  UCHAR IsoOutB;
  UCHAR PullDownEnable5;
  UCHAR SerNumEnable5;
  UCHAR USBVersionEnable5;
  WORD USBVersion5;
  UCHAR AIsHighCurrent;
  UCHAR BIsHighCurrent;
  UCHAR IFAIsFifo;
  UCHAR IFAIsFifoTar;
  UCHAR IFAIsFastSer;
  UCHAR AIsVCP;
  UCHAR IFBIsFifo;
  UCHAR IFBIsFifoTar;
  UCHAR IFBIsFastSer;
  UCHAR BIsVCP;
  // FT232R, version 2
  UCHAR UseExtOsc;
  UCHAR HighDriveIOs;
  UCHAR EndpointSize;
  UCHAR PullDownEnableR;
  UCHAR SerNumEnableR;
  UCHAR InvertTXD;
  UCHAR InvertRXD;
  UCHAR InvertRTS;
  UCHAR InvertCTS;
  UCHAR InvertDTR;
  UCHAR InvertDSR;
  UCHAR InvertDCD;
  UCHAR InvertRI;
  UCHAR Cbus0;
  UCHAR Cbus1;
  UCHAR Cbus2;
  UCHAR Cbus3;
  UCHAR Cbus4;
  UCHAR RIsD2XX;
};
// The fields read back sit where the driver puts them, on 32 and 64 bits.
static_assert(offsetof(FT_PROGRAM_DATA, VendorId) == 12);
static_assert(offsetof(FT_PROGRAM_DATA, ProductId) == 14);
static_assert(offsetof(FT_PROGRAM_DATA, Manufacturer) == 16);
static_assert(offsetof(FT_PROGRAM_DATA, MaxPower) == 16 + 4 * sizeof(char*));

using FnListDevices = FT_STATUS(WINAPI*)(PVOID pArg1, PVOID pArg2, DWORD flags);
using FnOpen = FT_STATUS(WINAPI*)(int deviceNumber, FT_HANDLE* handle);
using FnOpenEx = FT_STATUS(WINAPI*)(PVOID pArg1, DWORD flags, FT_HANDLE* handle);
using FnEeRead = FT_STATUS(WINAPI*)(FT_HANDLE handle, FT_PROGRAM_DATA* data);
using FnClose = FT_STATUS(WINAPI*)(FT_HANDLE handle);
using FnSetBaudRate = FT_STATUS(WINAPI*)(FT_HANDLE handle, ULONG baudRate);
using FnSetDataCharacteristics = FT_STATUS(WINAPI*)(FT_HANDLE handle, UCHAR wordLength,
                                                    UCHAR stopBits, UCHAR parity);
using FnSetFlowControl = FT_STATUS(WINAPI*)(FT_HANDLE handle, USHORT flowControl, UCHAR xon,
                                            UCHAR xoff);
using FnSetTimeouts = FT_STATUS(WINAPI*)(FT_HANDLE handle, ULONG readTimeout, ULONG writeTimeout);
using FnGetQueueStatus = FT_STATUS(WINAPI*)(FT_HANDLE handle, DWORD* rxBytes);
using FnRead = FT_STATUS(WINAPI*)(FT_HANDLE handle, LPVOID buffer, DWORD bytesToRead,
                                  LPDWORD bytesReturned);
using FnWrite = FT_STATUS(WINAPI*)(FT_HANDLE handle, LPVOID buffer, DWORD bytesToWrite,
                                   LPDWORD bytesWritten);

// The entry points of ftd2xx.dll. Loaded once per process and never
// unloaded: handles opened through one D2xxApi stay usable however long
// the library object lives.
struct Ftd2xx {
  bool ok = false;
  FnListDevices listDevices = nullptr;
  FnOpen open = nullptr;
  FnOpenEx openEx = nullptr;
  FnEeRead eeRead = nullptr;
  FnClose close = nullptr;
  FnSetBaudRate setBaudRate = nullptr;
  FnSetDataCharacteristics setDataCharacteristics = nullptr;
  FnSetFlowControl setFlowControl = nullptr;
  FnSetTimeouts setTimeouts = nullptr;
  FnGetQueueStatus getQueueStatus = nullptr;
  FnRead read = nullptr;
  FnWrite write = nullptr;
};

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& out) {
  const FARPROC proc = ::GetProcAddress(module, name);
  if (proc == nullptr) return false;
  // Through the generic function pointer type: a direct cast between
  // unrelated function types draws -Wcast-function-type.
  out = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
  return true;
}

Ftd2xx LoadFtd2xx() {
  Ftd2xx lib;
  const HMODULE module = ::LoadLibraryA("ftd2xx.dll");
  if (module == nullptr) return lib;
  const bool all = Resolve(module, "FT_ListDevices", lib.listDevices) &&
                   Resolve(module, "FT_Open", lib.open) &&
                   Resolve(module, "FT_OpenEx", lib.openEx) &&
                   Resolve(module, "FT_EE_Read", lib.eeRead) &&
                   Resolve(module, "FT_Close", lib.close) &&
                   Resolve(module, "FT_SetBaudRate", lib.setBaudRate) &&
                   Resolve(module, "FT_SetDataCharacteristics", lib.setDataCharacteristics) &&
                   Resolve(module, "FT_SetFlowControl", lib.setFlowControl) &&
                   Resolve(module, "FT_SetTimeouts", lib.setTimeouts) &&
                   Resolve(module, "FT_GetQueueStatus", lib.getQueueStatus) &&
                   Resolve(module, "FT_Read", lib.read) && Resolve(module, "FT_Write", lib.write);
  if (!all) {
    // A library without the calls we need is as good as none; nothing of it
    // has been used yet, so it can go.
    ::FreeLibrary(module);
    return Ftd2xx{};
  }
  lib.ok = true;
  return lib;
}

const Ftd2xx& Library() {
  static const Ftd2xx lib = LoadFtd2xx();
  return lib;
}

FT_HANDLE ToFt(FtHandle h) { return reinterpret_cast<FT_HANDLE>(h); }
FtHandle FromFt(FT_HANDLE h) { return reinterpret_cast<FtHandle>(h); }

// A text buffer the driver fills: whatever it wrote, the last byte ends it.
template <std::size_t N>
std::string BoundedText(char (&buffer)[N]) {
  buffer[N - 1] = '\0';
  return std::string(buffer, ::strnlen(buffer, N));
}

class Win32D2xxApi final : public D2xxApi {
 public:
  bool Available() override { return Library().ok; }

  FtStatus ListDevicesCount(std::uint32_t& count) override {
    count = 0;
    const Ftd2xx& lib = Library();
    if (!lib.ok) return FT_OTHER_ERROR;
    DWORD n = 0;
    const FT_STATUS status = lib.listDevices(&n, nullptr, FT_LIST_NUMBER_ONLY);
    if (status == FT_OK) count = n;
    return status;
  }

  FtStatus Open(int index, FtHandle& handle) override {
    handle = 0;
    const Ftd2xx& lib = Library();
    if (!lib.ok) return FT_OTHER_ERROR;
    FT_HANDLE h = nullptr;
    const FT_STATUS status = lib.open(index, &h);
    if (status == FT_OK) handle = FromFt(h);
    return status;
  }

  FtStatus EeRead(FtHandle handle, FtEepromData& data) override {
    data = FtEepromData{};
    const Ftd2xx& lib = Library();
    if (!lib.ok) return FT_OTHER_ERROR;
    char manufacturer[32] = {};
    char manufacturerId[16] = {};
    char description[64] = {};
    char serialNumber[16] = {};
    // Spare room after the record in case a driver fills more than the
    // version-2 fields it was asked for.
    struct {
      FT_PROGRAM_DATA record;
      unsigned char spare[256];
    } block;
    std::memset(&block, 0, sizeof block);
    FT_PROGRAM_DATA& pd = block.record;
    pd.Signature1 = 0x00000000u;
    pd.Signature2 = 0xFFFFFFFFu;
    pd.Version = 2;
    pd.Manufacturer = manufacturer;
    pd.ManufacturerId = manufacturerId;
    pd.Description = description;
    pd.SerialNumber = serialNumber;
    const FT_STATUS status = lib.eeRead(ToFt(handle), &pd);
    if (status != FT_OK) return status;
    data.vendorId = pd.VendorId;
    data.productId = pd.ProductId;
    data.manufacturer = BoundedText(manufacturer);
    data.manufacturerId = BoundedText(manufacturerId);
    data.description = BoundedText(description);
    data.serialNumber = BoundedText(serialNumber);
    return status;
  }

  FtStatus Close(FtHandle handle) override {
    const Ftd2xx& lib = Library();
    if (!lib.ok) return FT_OTHER_ERROR;
    return lib.close(ToFt(handle));
  }

  FtStatus OpenEx(const std::string& serialNumber, std::uint32_t flags,
                  FtHandle& handle) override {
    handle = 0;
    const Ftd2xx& lib = Library();
    if (!lib.ok) return FT_OTHER_ERROR;
    // The driver reads a zero-terminated text: an inner zero would make it
    // look for a different, shorter serial number.
    if (serialNumber.find('\0') != std::string::npos) return FT_INVALID_PARAMETER;
    FT_HANDLE h = nullptr;
    const FT_STATUS status =
        lib.openEx(const_cast<char*>(serialNumber.c_str()), static_cast<DWORD>(flags), &h);
    if (status == FT_OK) handle = FromFt(h);
    return status;
  }

  FtStatus SetBaudRate(FtHandle handle, std::uint32_t baud) override {
    const Ftd2xx& lib = Library();
    if (!lib.ok) return FT_OTHER_ERROR;
    return lib.setBaudRate(ToFt(handle), baud);
  }

  FtStatus SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                  std::uint8_t parity) override {
    const Ftd2xx& lib = Library();
    if (!lib.ok) return FT_OTHER_ERROR;
    return lib.setDataCharacteristics(ToFt(handle), wordLength, stopBits, parity);
  }

  FtStatus SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                          std::uint8_t xoff) override {
    const Ftd2xx& lib = Library();
    if (!lib.ok) return FT_OTHER_ERROR;
    return lib.setFlowControl(ToFt(handle), flow, xon, xoff);
  }

  FtStatus SetTimeouts(FtHandle handle, std::uint32_t readMs, std::uint32_t writeMs) override {
    const Ftd2xx& lib = Library();
    if (!lib.ok) return FT_OTHER_ERROR;
    return lib.setTimeouts(ToFt(handle), readMs, writeMs);
  }

  FtStatus GetQueueStatus(FtHandle handle, std::uint32_t& rxBytes) override {
    rxBytes = 0;
    const Ftd2xx& lib = Library();
    if (!lib.ok) return FT_OTHER_ERROR;
    DWORD n = 0;
    const FT_STATUS status = lib.getQueueStatus(ToFt(handle), &n);
    if (status == FT_OK) rxBytes = n;
    return status;
  }

  FtStatus Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t size,
                std::uint32_t& bytesRead) override {
    bytesRead = 0;
    const Ftd2xx& lib = Library();
    if (!lib.ok) return FT_OTHER_ERROR;
    if (buffer == nullptr && size > 0) return FT_INVALID_PARAMETER;
    DWORD n = 0;
    const FT_STATUS status = lib.read(ToFt(handle), buffer, size, &n);
    bytesRead = n < size ? n : size;
    return status;
  }

  FtStatus Write(FtHandle handle, const std::uint8_t* data, std::uint32_t size,
                 std::uint32_t& bytesWritten) override {
    bytesWritten = 0;
    const Ftd2xx& lib = Library();
    if (!lib.ok) return FT_OTHER_ERROR;
    if (data == nullptr && size > 0) return FT_INVALID_PARAMETER;
    DWORD n = 0;
    // FT_Write only reads the buffer; its prototype merely lacks the const.
    const FT_STATUS status =
        lib.write(ToFt(handle), const_cast<std::uint8_t*>(data), size, &n);
    bytesWritten = n < size ? n : size;
    return status;
  }
};

}  // namespace

std::unique_ptr<D2xxApi> MakeSystemD2xxApi() { return std::make_unique<Win32D2xxApi>(); }

}  // namespace q17
