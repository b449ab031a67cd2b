#pragma once
// Windows-1251, the code page of the bytes that readers and settings files
// carry. Converted at those boundaries only; the program works in UTF-8.
#include <string>
#include <string_view>

namespace q17 {

// Every byte maps to one character; the one unassigned byte (0x98) becomes U+FFFD.
std::string Cp1251ToUtf8(std::string_view bytes);

// Characters without a Windows-1251 form, and malformed UTF-8, become '?'.
std::string Utf8ToCp1251(std::string_view text);

}  // namespace q17
