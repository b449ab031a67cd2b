#include "platform/win32/SystemText.h"

#include <iterator>

namespace q17::win32 {

std::string SystemErrorText(DWORD err) {
  wchar_t wide[512];
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             err, 0, wide, static_cast<DWORD>(std::size(wide)), nullptr);
  while (n > 0 && (wide[n - 1] == L'\r' || wide[n - 1] == L'\n' || wide[n - 1] == L' ')) --n;
  if (n == 0) return "Windows error " + std::to_string(err);
  const int wideLen = static_cast<int>(n);
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, wideLen, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return "Windows error " + std::to_string(err);
  std::string text(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, wideLen, text.data(), size, nullptr, nullptr);
  return text;
}

}  // namespace q17::win32
