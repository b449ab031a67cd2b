#pragma once
// Line speed of a tty as a plain number of bits per second. Linux keeps the
// rate in termios2 (TCGETS2/TCSETS2), which takes any rate through BOTHER;
// glibc's termios only knows the Bxxx constants and has none for 14400.
// The kernel's termios2 header clashes with <termios.h>, so this lives in a
// translation unit of its own.
#include <cstdint>

namespace q17::posix {

// Sets input and output speed to `baud`. False when the driver refuses it.
bool SetLineSpeed(int fd, std::uint32_t baud);

// Reads the output speed. False when the tty cannot be asked.
bool GetLineSpeed(int fd, std::uint32_t& baud);

}  // namespace q17::posix
