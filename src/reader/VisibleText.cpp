#include "reader/VisibleText.h"

#include <cstdio>

namespace q17 {

std::string VisibleText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  char hex[8];
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    unsigned code = 0x100;  // none
    if (b < 0x20 || b == 0x7F) {
      code = b;
    } else if (b == 0xC2 && i + 1 < utf8.size()) {
      // U+0080..U+009F, the C1 controls (CSI among them), are C2 80..C2 9F.
      const auto next = static_cast<unsigned char>(utf8[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        code = next;
        ++i;
      }
    }
    if (code == 0x100) {
      out += static_cast<char>(b);
      continue;
    }
    std::snprintf(hex, sizeof hex, "\\x%02X", code);
    out += hex;
  }
  return out;
}

}  // namespace q17
