#pragma once
// A child program for end-to-end tests and the line benchmarks: fork/exec
// with its standard streams on pipes, lines read back without fixed sleeps,
// and the end collected with wait4 so its resource usage comes with it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace q17::test {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { Stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts argv[0] with extraEnv ("NAME=value", replacing an inherited NAME).
  // Standard output is a pipe; standard error a pipe when captureErr, else
  // shared with ours; standard input a pipe when withStdin, else /dev/null.
  bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, bool captureErr,
             bool withStdin = false) {
    // Everything the child needs is built before fork: after it only
    // async-signal-safe calls.
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      bool replaced = false;
      for (const std::string& x : extraEnv) {
        const auto eq = x.find('=');
        if (entry.compare(0, eq + 1, x, 0, eq + 1) == 0) replaced = true;
      }
      if (!replaced) envText.push_back(entry);
    }
    envText.insert(envText.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (auto& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argText(argv);
    std::vector<char*> args;
    for (auto& a : argText) args.push_back(a.data());
    args.push_back(nullptr);

    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    if (pipe2(outPipe, O_CLOEXEC) != 0) return false;
    if (captureErr && pipe2(errPipe, O_CLOEXEC) != 0) {
      close(outPipe[0]);
      close(outPipe[1]);
      return false;
    }
    int inPipe[2] = {-1, -1};
    if (withStdin && pipe2(inPipe, O_CLOEXEC) != 0) inPipe[0] = inPipe[1] = -1;
    const int devNull = withStdin ? inPipe[0] : open("/dev/null", O_RDONLY | O_CLOEXEC);

    startTime_ = std::chrono::steady_clock::now();
    pid_ = fork();
    if (pid_ == 0) {
      if (devNull >= 0) dup2(devNull, 0);
      dup2(outPipe[1], 1);
      if (captureErr) dup2(errPipe[1], 2);
      execve(args[0], args.data(), envp.data());
      _exit(127);
    }
    if (devNull >= 0) close(devNull);
    stdin_ = inPipe[1];
    close(outPipe[1]);
    if (captureErr) close(errPipe[1]);
    if (pid_ < 0) {
      close(outPipe[0]);
      if (captureErr) close(errPipe[0]);
      return false;
    }
    outFd_ = outPipe[0];
    errFd_ = captureErr ? errPipe[0] : -1;
    return true;
  }

  bool WriteLine(const std::string& line) {
    if (stdin_ < 0) return false;
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = write(stdin_, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  void CloseStdin() {
    if (stdin_ >= 0) close(stdin_);
    stdin_ = -1;
  }

  void Signal(int sig) {
    if (pid_ > 0 && !reaped_) kill(pid_, sig);
  }

  // The next line of standard output (without the newline); false at end
  // of file or when nothing came within timeoutMs.
  bool ReadLine(std::string& line, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const auto nl = out_.find('\n');
      if (nl != std::string::npos) {
        line = out_.substr(0, nl);
        out_.erase(0, nl + 1);
        return true;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0 || outFd_ < 0) return false;
      Pump(static_cast<int>(left));
    }
  }

  // Reads standard output and error until both end, calling tick at least
  // every tickMs while waiting; then reaps the child with wait4.
  // Returns the exit code (128 + signal when killed), -1 on failure.
  int WaitExit(int tickMs, const std::function<void()>& tick) {
    while (outFd_ >= 0 || errFd_ >= 0) {
      Pump(tickMs);
      if (tick) tick();
    }
    return Reap(0);
  }

  // Ends the child with SIGTERM (SIGKILL when it will not go) and reaps it.
  int Stop() {
    CloseStdin();
    if (pid_ <= 0 || reaped_) return exitCode_;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 500; ++i) {
      if (Reap(WNOHANG) != kNotYet) return exitCode_;
      poll(nullptr, 0, 10);
    }
    kill(pid_, SIGKILL);
    return Reap(0);
  }

  int Pid() const { return pid_; }
  const std::string& Out() const { return out_; }
  const std::string& Err() const { return err_; }
  const rusage& Usage() const { return usage_; }
  // From just before fork to the return of wait4.
  double WallMs() const { return std::chrono::duration<double, std::milli>(endTime_ - startTime_).count(); }

 private:
  static constexpr int kNotYet = -2;

  int Reap(int flags) {
    int status = 0;
    pid_t r;
    do {
      r = wait4(pid_, &status, flags, &usage_);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return kNotYet;
    endTime_ = std::chrono::steady_clock::now();
    reaped_ = true;
    for (int* fd : {&stdin_, &outFd_, &errFd_}) {
      if (*fd >= 0) close(*fd);
      *fd = -1;
    }
    if (r < 0) exitCode_ = -1;
    else if (WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
    else exitCode_ = 128 + WTERMSIG(status);
    return exitCode_;
  }

  void Pump(int timeoutMs) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) <= 0) return;
    char buffer[4096];
    int* owned[2] = {&outFd_, &errFd_};
    std::string* sinks[2] = {&out_, &err_};
    for (int i = 0; i < 2; ++i) {
      if (*owned[i] < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      const ssize_t n = read(*owned[i], buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(*owned[i]);
        *owned[i] = -1;
      }
    }
  }

  pid_t pid_ = -1;
  int stdin_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  bool reaped_ = false;
  int exitCode_ = -1;
  std::string out_;
  std::string err_;
  rusage usage_{};
  std::chrono::steady_clock::time_point startTime_{};
  std::chrono::steady_clock::time_point endTime_{};
};

// Runs a program to its end with no input: exit code, stdout, stderr.
struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline RunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
                            int guardMs = 120000) {
  ChildProcess child;
  RunResult r;
  if (!child.Start(argv, extraEnv, true)) return r;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(guardMs);
  // A broken program must not hang the run: the guard ends it.
  r.exitCode = child.WaitExit(200, [&] {
    if (std::chrono::steady_clock::now() > deadline) child.Signal(SIGKILL);
  });
  r.out = child.Out();
  r.err = child.Err();
  return r;
}

}  // namespace q17::test
