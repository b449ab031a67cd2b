#include "StopSignals.h"

// Windows: StopSignalsWin32.cpp.

#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace q17 {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : kStopSignals) sigaddset(&set, s);
  return set;
}

bool IsPipeOrSocket(int fd) {
  struct stat st {};
  return fd >= 0 && fstat(fd, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

}  // namespace

TStopSignals::TStopSignals(int output) : output_(IsPipeOrSocket(output) ? output : -1) {
  // Writing to a pipe nobody reads fails with EPIPE instead of killing us.
  signal(SIGPIPE, SIG_IGN);
  const sigset_t set = StopSet();
  // Blocked, the signals stay pending until the program has ended its step
  // and closed the port; they are never lost.
  sigprocmask(SIG_BLOCK, &set, nullptr);
  signalFd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  // One descriptor for the waits: readable on a signal or a closed output.
  waitFd_ = epoll_create1(EPOLL_CLOEXEC);
  if (waitFd_ >= 0) {
    epoll_event e{};
    e.events = EPOLLIN;
    if (signalFd_ >= 0) epoll_ctl(waitFd_, EPOLL_CTL_ADD, signalFd_, &e);
    e.events = 0;  // a pipe's far end closing reports EPOLLERR by itself
    if (output_ >= 0) epoll_ctl(waitFd_, EPOLL_CTL_ADD, output_, &e);
  } else {
    waitFd_ = signalFd_;
  }
}

TStopSignals::~TStopSignals() {
  // The mask stays: a signal still pending must not kill the program on
  // its way out.
  if (waitFd_ >= 0 && waitFd_ != signalFd_) close(waitFd_);
  if (signalFd_ >= 0) close(signalFd_);
}

int TStopSignals::Signal() const {
  sigset_t pending;
  sigemptyset(&pending);
  if (sigpending(&pending) != 0) return 0;
  for (int s : kStopSignals) {
    if (sigismember(&pending, s) == 1) return s;
  }
  return 0;
}

bool TStopSignals::OutputClosed() const {
  if (output_ < 0) return false;
  struct pollfd p {output_, 0, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & POLLERR) != 0;
}

bool TStopSignals::Requested() const {
  // Asked before every exchange: one look at the wait descriptor tells
  // whether anything at all is pending, instead of a call for each cause.
  if (waitFd_ >= 0 && waitFd_ != signalFd_) {
    struct pollfd p {waitFd_, POLLIN, 0};
    if (poll(&p, 1, 0) == 0) return false;
  }
  return Signal() != 0 || OutputClosed();
}

}  // namespace q17
