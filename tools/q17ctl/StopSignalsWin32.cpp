// Ctrl-C, Ctrl-Break and the console closing as the same stop that SIGINT,
// SIGTERM and SIGHUP are on Linux: without a handler Windows ends the
// process on the spot, with the reader left in audit mode or counting.
//
// The handler runs on a thread of its own and takes no argument; it finds
// this process's stop object through events named after the process, so
// no global variable is involved.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <csignal>
#include <string>

#include "StopSignals.h"

namespace q17 {
namespace {

enum : int { kCtrlC, kCtrlBreak, kClose, kDone, kEventCount };

// What main returns 128 + of, as on Linux; Windows has no SIGHUP, so the
// console closing counts as SIGTERM.
constexpr int kSignalOf[] = {SIGINT, SIGBREAK, SIGTERM};

// Windows ends the process when the handler returns from a close, log-off
// or shut-down; it allows about five seconds for that.
constexpr DWORD kCleanUpWaitMs = 4500;

std::wstring EventName(int which) {
  return L"Local\\q17ctl-stop-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(which);
}

int KindOf(DWORD type) {
  switch (type) {
    case CTRL_C_EVENT: return kCtrlC;
    case CTRL_BREAK_EVENT: return kCtrlBreak;
    default: return kClose;  // CTRL_CLOSE_EVENT, CTRL_LOGOFF_EVENT, CTRL_SHUTDOWN_EVENT
  }
}

BOOL WINAPI OnConsoleControl(DWORD type) {
  const int kind = KindOf(type);
  HANDLE stop = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, EventName(kind).c_str());
  // No stop object (yet, or any more): Windows' own handling ends the process.
  if (stop == nullptr) return FALSE;
  ::SetEvent(stop);
  ::CloseHandle(stop);
  if (kind == kClose) {
    // Give the command its time to undo what it set up and close the port.
    HANDLE done = ::OpenEventW(SYNCHRONIZE, FALSE, EventName(kDone).c_str());
    if (done != nullptr) {
      ::WaitForSingleObject(done, kCleanUpWaitMs);
      ::CloseHandle(done);
    }
  }
  return TRUE;
}

bool IsSet(void* event) { return event != nullptr && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

}  // namespace

TStopSignals::TStopSignals(int output) : output_(output) {
  for (int i = 0; i < kEventCount; ++i) {
    // Manual reset: once asked, the stop stays asked.
    events_[i] = ::CreateEventW(nullptr, TRUE, FALSE, EventName(i).c_str());
  }
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

TStopSignals::~TStopSignals() {
  // Cleaned up: a close waiting in the handler may end the process now.
  if (events_[kDone] != nullptr) ::SetEvent(events_[kDone]);
  ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  for (void*& e : events_) {
    if (e != nullptr) ::CloseHandle(e);
    e = nullptr;
  }
}

int TStopSignals::Signal() const {
  for (int i = kCtrlC; i <= kClose; ++i) {
    if (IsSet(events_[i])) return kSignalOf[i];
  }
  return 0;
}

// A closed pipe shows itself as a failed write (FinishOutput reports it).
bool TStopSignals::OutputClosed() const { return false; }

bool TStopSignals::Requested() const { return Signal() != 0; }

}  // namespace q17
