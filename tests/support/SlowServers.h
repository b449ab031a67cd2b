#pragma once
// Raw serial servers on the loopback that misbehave as a slow network does,
// each serving on a thread of its own, one client after another, until it
// goes out of scope: one whose line never goes quiet (a byte every few
// milliseconds, never a frame), and one in front of a pseudo-terminal
// (q17sim) that holds every byte from the line back by a lag.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace q17::test {

class LoopbackServer {
 public:
  LoopbackServer() {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(listen_, 4) != 0 ||
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0 || ::pipe2(stop_, O_CLOEXEC) != 0) {
      return;
    }
    port_ = ntohs(a.sin_port);
  }
  virtual ~LoopbackServer() {
    if (thread_.joinable()) {
      const char c = 0;
      [[maybe_unused]] const ssize_t n = ::write(stop_[1], &c, 1);
      thread_.join();
    }
    for (const int fd : {listen_, stop_[0], stop_[1]}) {
      if (fd >= 0) ::close(fd);
    }
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  bool Ready() const { return port_ != 0; }
  int Port() const { return port_; }
  std::string Raw() const { return "tcp://127.0.0.1:" + std::to_string(port_); }

 protected:
  using Clock = std::chrono::steady_clock;

  // Serves each client with `serve` (client, stop descriptor) until it returns.
  void Start(std::function<void(int, int)> serve) {
    if (!Ready()) return;
    thread_ = std::thread([this, serve = std::move(serve)] {
      for (;;) {
        pollfd fds[2] = {{listen_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;
        const int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        const int one = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        serve(client, stop_[0]);
        ::close(client);
      }
    });
  }

  // Milliseconds from now to `at`, for poll: 0 when past, -1 for none.
  static int MsUntil(std::optional<Clock::time_point> at) {
    if (!at) return -1;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*at - Clock::now()).count();
    return static_cast<int>(std::max<long long>(0, ms));
  }

 private:
  int listen_ = -1;
  int stop_[2] = {-1, -1};
  int port_ = 0;
  std::thread thread_;
};

// Sends `byte` every periodMs for as long as a client stays, whatever it says.
class TrickleServer : public LoopbackServer {
 public:
  explicit TrickleServer(int periodMs, std::uint8_t byte = 0x55) {
    Start([periodMs, byte](int client, int stop) {
      Clock::time_point next = Clock::now();
      for (;;) {
        pollfd fds[2] = {{client, POLLIN, 0}, {stop, POLLIN, 0}};
        if (::poll(fds, 2, MsUntil(next)) < 0) continue;
        if (fds[1].revents) return;
        if (fds[0].revents) {
          std::uint8_t ignored[512];
          if (::recv(client, ignored, sizeof ignored, 0) <= 0) return;
        }
        if (Clock::now() >= next) {
          if (::send(client, &byte, 1, MSG_NOSIGNAL) != 1) return;
          next += std::chrono::milliseconds(periodMs);
        }
      }
    });
  }
};

// Carries a client's bytes to the pseudo-terminal at once and the
// terminal's to the client lagMs after they came.
class LagRelay : public LoopbackServer {
 public:
  LagRelay(std::string pty, int lagMs) {
    Start([pty = std::move(pty), lagMs](int client, int stop) {
      const int line = ::open(pty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
      if (line < 0) return;
      std::deque<std::pair<Clock::time_point, std::vector<std::uint8_t>>> held;
      std::uint8_t buf[4096];
      for (bool open = true; open;) {
        pollfd fds[3] = {{client, POLLIN, 0}, {line, POLLIN, 0}, {stop, POLLIN, 0}};
        const auto due = held.empty() ? std::nullopt : std::optional<Clock::time_point>(held.front().first);
        if (::poll(fds, 3, MsUntil(due)) < 0) continue;
        if (fds[2].revents) break;
        if (fds[0].revents) {
          const ssize_t n = ::recv(client, buf, sizeof buf, 0);
          if (n <= 0 || ::write(line, buf, static_cast<std::size_t>(n)) != n) open = false;
        }
        if (fds[1].revents & POLLIN) {
          const ssize_t n = ::read(line, buf, sizeof buf);
          if (n > 0) held.emplace_back(Clock::now() + std::chrono::milliseconds(lagMs), std::vector<std::uint8_t>(buf, buf + n));
        }
        while (open && !held.empty() && held.front().first <= Clock::now()) {
          const std::vector<std::uint8_t>& bytes = held.front().second;
          if (::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) open = false;
          held.pop_front();
        }
      }
      ::close(line);
    });
  }
};

}  // namespace q17::test
