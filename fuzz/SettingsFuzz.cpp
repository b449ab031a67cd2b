// Settings files as they come from disk: any bytes must read without harm,
// and a key written into them must read back.
#include <cstdint>
#include <string>

#include "settings/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  q17::TIniText text(bytes);
  for (const char* key : {"RDR_ADDR", "WCT", "TMT_1", "ETAL_TAG"}) {
    for (const char* section : {"COMMON", "CHAN_1", "MEMORY", "R_TEST"}) {
      (void)q17::ReadProfileInteger(text, section, key, 7);
      const auto value = text.Value(section, key);
      if (value && value->size() > 4 * q17::kMaxProfileValue) __builtin_trap();
      if (value && text.Encoding() == q17::TIniEncoding::Utf16) __builtin_trap();
    }
  }
  if (text.Encoding() == q17::TIniEncoding::Utf16) {
    text.SetValue("CHAN_1", "WCT", "42");
    if (text.Bytes() != bytes) __builtin_trap();  // never written into
    return 0;
  }
  text.SetValue("CHAN_1", "WCT", "42");
  if (q17::ReadProfileInteger(text, "chan_1", "wct", 0) != 42) __builtin_trap();
  text.SetValue("NEW", "KEY", "значение");
  if (text.Value("new", "key") != "значение") __builtin_trap();
  if (q17::ReadProfileInteger(text, "chan_1", "wct", 0) != 42) __builtin_trap();
  return 0;
}
