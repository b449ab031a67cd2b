// The leanest client of a serial server that can make the echo exchange:
// one blocking socket with TCP_NODELAY, the request frame written whole, then
// reads until the whole reply frame is in. No port layer, no time-outs, no
// retries: the yardstick q17ctl's own exchange through the same server is
// measured against. With --telnet it also doubles 0xFF bytes and takes the
// telnet talk out of what comes back (answering it, as any telnet end must),
// but sets nothing on the server's port: the server's own 9600 8N1 stands.
//
// One more thing than a socket: the acknowledgement is asked for at once
// after each read. ser2net sends a reply byte by byte as the line gives them,
// with Nagle's rule on, so a delayed acknowledgement holds the rest of the
// reply back by some 20 ms; --plain-ack leaves the kernel's delay in, to
// show that cost. One untimed exchange first takes the server's telnet
// opening out of the figures, as q17ctl's open does.
//
// Usage: lean_echo_client [--telnet] [--plain-ack] HOST PORT COUNT [LENGTH]
// Prints good=, errors=, ms_per_exchange=, min_ms=, p50_ms=, p95_ms=, max_ms=
// as q17ctl's echo-test does.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Frame.h"
#include "platform/Rfc2217.h"
#include "reader/RdrCmd.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

int Connect(const char* host, const char* port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host, port, &hints, &found) != 0) return -1;
  int fd = -1;
  for (addrinfo* ai = found; ai && fd < 0; ai = ai->ai_next) {
    fd = ::socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
    if (fd >= 0 && ::connect(fd, ai->ai_addr, ai->ai_addrlen) != 0) {
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  if (fd >= 0) {
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  return fd;
}

bool SendAll(int fd, const Bytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

class Client {
 public:
  Client(int fd, bool telnet, bool quickAck) : fd_(fd), telnet_(telnet), quickAck_(quickAck) {}

  // One request out, the reply's `size` line bytes back; false when the
  // server hung up.
  bool Exchange(const Bytes& request, std::size_t size, Bytes& reply) {
    if (telnet_) {
      wire_.clear();
      q17::telnet::AppendEscaped(wire_, request.data(), request.size());
      if (!SendAll(fd_, wire_)) return false;
    } else if (!SendAll(fd_, request)) {
      return false;
    }
    reply.clear();
    while (reply.size() < size) {
      std::uint8_t chunk[512];
      const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
      if (n <= 0) return false;
      if (quickAck_) {
        const int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
      }
      if (!telnet_) {
        reply.insert(reply.end(), chunk, chunk + n);
        continue;
      }
      decoder_.Feed(chunk, static_cast<std::size_t>(n), reply);
      if (!decoder_.Outgoing().empty()) {
        if (!SendAll(fd_, decoder_.Outgoing())) return false;
        decoder_.Outgoing().clear();
      }
    }
    return true;
  }

 private:
  int fd_;
  bool telnet_;
  bool quickAck_;
  Bytes wire_;
  q17::telnet::TClientDecoder decoder_;
};

double Quantile(std::vector<double> sorted, double q) {
  if (sorted.empty()) return 0;
  const std::size_t at = static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(at, sorted.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
  int arg = 1;
  bool telnet = false;
  bool quickAck = true;
  for (; arg < argc && argv[arg][0] == '-'; ++arg) {
    if (std::strcmp(argv[arg], "--telnet") == 0) telnet = true;
    else if (std::strcmp(argv[arg], "--plain-ack") == 0) quickAck = false;
    else break;
  }
  if (argc - arg < 3) {
    std::fprintf(stderr, "usage: %s [--telnet] [--plain-ack] HOST PORT COUNT [LENGTH]\n", argv[0]);
    return 2;
  }
  const char* host = argv[arg];
  const char* port = argv[arg + 1];
  const long count = std::strtol(argv[arg + 2], nullptr, 10);
  const int length = argc - arg > 3 ? std::clamp(std::atoi(argv[arg + 3]), 1, 64) : 10;

  // The pattern q17ctl's echo-test sends: byte i is 0x20 + i.
  Bytes payload(static_cast<std::size_t>(length));
  for (int i = 0; i < length; ++i) payload[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x20 + i);
  constexpr std::uint8_t kAddress = 1;

  // A server that takes one client at a time may still be closing the last.
  int fd = -1;
  const Clock::time_point give_up = Clock::now() + std::chrono::seconds(3);
  while ((fd = Connect(host, port)) < 0 && Clock::now() < give_up) ::usleep(20000);
  if (fd < 0) {
    std::fprintf(stderr, "no connection to %s:%s\n", host, port);
    return 1;
  }
  Client client(fd, telnet, quickAck);

  long good = 0;
  long errors = 0;
  std::vector<double> times;
  times.reserve(static_cast<std::size_t>(std::max(0L, count)));
  Bytes reply;
  const auto encode = [&](long i, Bytes& request, Bytes& expected) {
    const auto packetNo = static_cast<std::uint8_t>(i);
    request = q17::sim::EncodeRequest(packetNo, kAddress, q17::cmd::Echo, payload);
    expected = q17::sim::EncodeReply({.packetNo = packetNo, .address = kAddress, .data = payload});
  };
  Bytes request;
  Bytes expected;
  encode(255, request, expected);
  if (!client.Exchange(request, expected.size(), reply) || reply != expected) {
    std::fprintf(stderr, "the first exchange failed\n");
    return 1;
  }
  const Clock::time_point start = Clock::now();
  for (long i = 0; i < count; ++i) {
    encode(i, request, expected);
    const Clock::time_point before = Clock::now();
    if (!client.Exchange(request, expected.size(), reply)) {
      std::fprintf(stderr, "the server hung up after %ld exchanges\n", i);
      ++errors;
      break;
    }
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
    if (reply == expected) {
      ++good;
    } else {
      ++errors;
    }
  }
  const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  ::close(fd);
  std::sort(times.begin(), times.end());
  const long exchanges = good + errors;
  std::printf("good=%ld\nerrors=%ld\nms_per_exchange=%.3f\n", good, errors,
              exchanges > 0 ? elapsed / static_cast<double>(exchanges) : 0.0);
  std::printf("min_ms=%.3f\np50_ms=%.3f\np95_ms=%.3f\nmax_ms=%.3f\n", times.empty() ? 0 : times.front(),
              Quantile(times, 0.5), Quantile(times, 0.95), times.empty() ? 0 : times.back());
  return errors == 0 && good == count ? 0 : 1;
}
