// Text conversions fed from the line, files and devices.
#include <string>
#include <string_view>

#include "link/KvlInterface.h"
#include "reader/Cp1251.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = q17::Cp1251ToUtf8(bytes);
  if (q17::Utf8ToCp1251(utf8).size() != size) __builtin_trap();
  (void)q17::Utf8ToCp1251(bytes);
  (void)q17::TInterfList::DeviceCode(std::string(bytes.substr(0, 16)));
  return 0;
}
