#include "support/Subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace q17::test {
namespace {

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

Subprocess::Subprocess(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    dup2(inPipe[0], 0);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    for (const auto& e : env) putenv(strdup(e.c_str()));
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  in_ = inPipe[1];
  outFd_ = outPipe[0];
  errFd_ = errPipe[0];
  signal(SIGPIPE, SIG_IGN);
}

Subprocess::~Subprocess() {
  if (pid_ > 0 && !exited_) {
    kill(pid_, SIGTERM);
    if (Wait(5000) < 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status_, 0);
    }
  }
  for (int fd : {in_, outFd_, errFd_}) {
    if (fd >= 0) close(fd);
  }
}

bool Subprocess::WriteLine(const std::string& line) {
  if (in_ < 0) return false;
  const std::string text = line + "\n";
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(in_, text.data() + done, text.size() - done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void Subprocess::CloseStdin() {
  if (in_ >= 0) close(in_);
  in_ = -1;
}

// Reads what is there from stdout and stderr, waiting up to timeoutMs for
// anything at all. False when both are at EOF.
bool Subprocess::Pump(int timeoutMs) {
  pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
  if (outFd_ < 0 && errFd_ < 0) return false;
  if (poll(fds, 2, timeoutMs) <= 0) return true;
  char buffer[4096];
  int* fdsOwned[2] = {&outFd_, &errFd_};
  std::string* sinks[2] = {&out_, &err_};
  for (int i = 0; i < 2; ++i) {
    if (*fdsOwned[i] < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    const ssize_t n = read(*fdsOwned[i], buffer, sizeof buffer);
    if (n > 0) {
      sinks[i]->append(buffer, static_cast<std::size_t>(n));
    } else {
      close(*fdsOwned[i]);
      *fdsOwned[i] = -1;
    }
  }
  return outFd_ >= 0 || errFd_ >= 0;
}

bool Subprocess::ReadLine(std::string& line, int timeoutMs) {
  const long long deadline = NowMs() + timeoutMs;
  for (;;) {
    const auto nl = out_.find('\n');
    if (nl != std::string::npos) {
      line = out_.substr(0, nl);
      out_.erase(0, nl + 1);
      return true;
    }
    const long long left = deadline - NowMs();
    if (left <= 0 || outFd_ < 0) return false;
    Pump(static_cast<int>(left));
  }
}

int Subprocess::Wait(int timeoutMs) {
  const long long deadline = NowMs() + timeoutMs;
  while (outFd_ >= 0 || errFd_ >= 0) {
    const long long left = deadline - NowMs();
    if (left <= 0) return -1;
    Pump(static_cast<int>(std::min<long long>(left, 200)));
  }
  while (!exited_) {
    const pid_t r = waitpid(pid_, &status_, WNOHANG);
    if (r == pid_) {
      exited_ = true;
      break;
    }
    if (NowMs() >= deadline) return -1;
    pollfd none{};
    poll(&none, 0, 5);
  }
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

RunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env, int timeoutMs) {
  Subprocess p(argv, env);
  p.CloseStdin();
  RunResult r;
  r.exitCode = p.Wait(timeoutMs);
  r.out = p.Out();
  r.err = p.Err();
  return r;
}

}  // namespace q17::test
