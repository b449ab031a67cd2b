#pragma once
// UTF-16LE, the text encoding of version records, to and from the UTF-8 the
// rest of the program uses.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace q17 {

// Decodes up to the first NUL code unit or the end; a trailing odd byte is
// ignored and an unpaired surrogate becomes U+FFFD, so any bytes decode.
std::string Utf16LeToUtf8(std::span<const std::uint8_t> bytes);

// Encodes without a terminating NUL; malformed UTF-8 becomes U+FFFD.
std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view text);

}  // namespace q17
