#pragma once
// Names that Windows takes for a device rather than a file, on every system,
// so a file name can be refused before anything is opened: a settings file or
// a trace file named "COM5" would write onto a serial line.
#include <string_view>

namespace q17 {

// Whether Windows opens path (UTF-8, either separator) as a device: its last
// part is CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0..COM9 or LPT0..LPT9 (also
// with the superscript digits 1 to 3), in any case, with or without an
// extension or trailing blanks and dots ("com5.set", "NUL .txt", "CON."), or
// the path is in the device namespace ("\\.\COM12").
bool IsWindowsDeviceName(std::string_view path);

}  // namespace q17
