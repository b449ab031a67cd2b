#include "platform/Console.h"

namespace q17 {

std::size_t WholeUtf8Prefix(std::string_view text) {
  // Only the last three bytes can belong to a sequence cut short.
  const std::size_t size = text.size();
  const std::size_t from = size > 3 ? size - 3 : 0;
  for (std::size_t i = size; i > from; --i) {
    const auto b = static_cast<unsigned char>(text[i - 1]);
    if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    std::size_t need = 1;
    if ((b & 0xE0) == 0xC0) need = 2;
    else if ((b & 0xF0) == 0xE0) need = 3;
    else if ((b & 0xF8) == 0xF0) need = 4;
    return size - (i - 1) < need ? i - 1 : size;
  }
  return size;
}

}  // namespace q17
