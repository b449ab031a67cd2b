#include "platform/posix/LineSpeed.h"

#if defined(__linux__)

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace q17::posix {

bool SetLineSpeed(int fd, std::uint32_t baud) {
  if (baud == 0) return false;  // B0 would hang up the line
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  // BOTHER for both directions; the kernel turns a standard rate back into
  // its Bxxx code, so this is the one path for every rate.
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = baud;
  t.c_ospeed = baud;
  return ioctl(fd, TCSETS2, &t) == 0;
}

bool GetLineSpeed(int fd, std::uint32_t& baud) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  baud = t.c_ospeed;
  return true;
}

}  // namespace q17::posix

#else  // other POSIX systems: the Bxxx constants of <termios.h>

#include <termios.h>

namespace q17::posix {
namespace {

struct SpeedCode {
  std::uint32_t baud;
  speed_t code;
};

constexpr SpeedCode kSpeeds[] = {
    {1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},
#ifdef B14400
    {14400, B14400},
#endif
    {19200, B19200}, {38400, B38400}, {57600, B57600},   {115200, B115200},
    {230400, B230400},
};

}  // namespace

bool SetLineSpeed(int fd, std::uint32_t baud) {
  for (const auto& s : kSpeeds) {
    if (s.baud != baud) continue;
    struct termios t {};
    if (tcgetattr(fd, &t) != 0) return false;
    if (cfsetispeed(&t, s.code) != 0 || cfsetospeed(&t, s.code) != 0) return false;
    return tcsetattr(fd, TCSANOW, &t) == 0;
  }
  return false;
}

bool GetLineSpeed(int fd, std::uint32_t& baud) {
  struct termios t {};
  if (tcgetattr(fd, &t) != 0) return false;
  const speed_t code = cfgetospeed(&t);
  for (const auto& s : kSpeeds) {
    if (s.code == code) {
      baud = s.baud;
      return true;
    }
  }
  return false;
}

}  // namespace q17::posix

#endif
