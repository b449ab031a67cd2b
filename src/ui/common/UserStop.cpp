#include "ui/common/UserStop.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace q17::ui {

TUserStop::TUserStop() {
#ifndef _WIN32
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
    FRead = fds[0];
    FWrite = fds[1];
  }
#endif
}

TUserStop::~TUserStop() {
#ifndef _WIN32
  if (FRead >= 0) ::close(FRead);
  if (FWrite >= 0) ::close(FWrite);
#endif
}

void TUserStop::Request() {
  if (FRequested.exchange(true)) return;
#ifndef _WIN32
  if (FWrite >= 0) {
    const char one = 1;
    (void)!::write(FWrite, &one, 1);
  }
#endif
}

void TUserStop::Reset() {
#ifndef _WIN32
  char drained[8];
  while (FRead >= 0 && ::read(FRead, drained, sizeof drained) > 0) {
  }
#endif
  FRequested.store(false);
}

}  // namespace q17::ui
