#pragma once
// The system's words for a Win32 error code.
#include "platform/win32/WindowsApi.h"

#include <string>

namespace q17::win32 {

// In UTF-8 like every other text of the program (the ANSI form would be
// Windows-1251 on a Russian system), without the trailing line break;
// "Windows error N" for a code the system has no words for.
std::string SystemErrorText(DWORD err);

}  // namespace q17::win32
