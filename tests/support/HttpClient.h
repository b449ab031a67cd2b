#pragma once
// A plain HTTP/1.1 client on the loopback for the exporter's tests: bytes as
// the test writes them (well-formed or not) and the answer as it comes,
// every wait bounded.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace q17::test {

// A connection to 127.0.0.1:port, closed when it goes out of scope.
class LoopbackConnection {
 public:
  explicit LoopbackConnection(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~LoopbackConnection() {
    if (fd_ >= 0) ::close(fd_);
  }
  LoopbackConnection(const LoopbackConnection&) = delete;
  LoopbackConnection& operator=(const LoopbackConnection&) = delete;

  bool Ok() const { return fd_ >= 0; }

  // False once the peer no longer takes bytes (it closed the connection).
  bool Send(std::string_view data) {
    while (!data.empty()) {
      const ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  // Everything until the peer closes, or what came within guardMs.
  std::string ReadToEnd(int guardMs = 20000) {
    return ReadUntil(guardMs, [](const std::string&) { return false; });
  }

  // One answer: its head and as much body as its Content-Length says (or
  // all until the peer closes), within guardMs.
  std::string ReadReply(int guardMs = 20000) {
    return ReadUntil(guardMs, [](const std::string& text) {
      const auto head = text.find("\r\n\r\n");
      if (head == std::string::npos) return false;
      const auto at = text.find("Content-Length: ");
      return at != std::string::npos && at < head &&
             text.size() >= head + 4 + std::stoul(text.substr(at + 16, text.find("\r\n", at) - at - 16));
    });
  }

  // Whether the peer has closed the connection, waiting for it up to guardMs.
  bool ClosedByPeer(int guardMs = 20000) {
    ReadToEnd(guardMs);
    return closed_;
  }

 private:
  // What came until `whole` says the text is whole, the peer closes, or
  // guardMs passes.
  template <class Whole>
  std::string ReadUntil(int guardMs, Whole whole) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(guardMs);
    while (!whole(text)) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd p{fd_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return text;
      char buffer[8192];
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) {
        closed_ = true;
        return text;
      }
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }

  int fd_ = -1;
  bool closed_ = false;
};

struct HttpReply {
  int status = 0;  // 0: no answer
  std::string headers;
  std::string body;
};

inline HttpReply ParseReply(const std::string& text) {
  HttpReply reply;
  if (text.rfind("HTTP/1.1 ", 0) != 0 || text.size() < 12) return reply;
  reply.status = std::stoi(text.substr(9, 3));
  const auto end = text.find("\r\n\r\n");
  reply.headers = text.substr(0, end);
  if (end != std::string::npos) reply.body = text.substr(end + 4);
  return reply;
}

// One request as written, and its answer.
inline HttpReply Exchange(int port, const std::string& request) {
  LoopbackConnection c(port);
  if (!c.Ok()) return {};
  c.Send(request);  // a peer that stops reading part way may still answer
  return ParseReply(c.ReadReply());
}

inline HttpReply Get(int port, const std::string& target, const std::vector<std::string>& headers = {}) {
  std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
  for (const std::string& h : headers) request += h + "\r\n";
  return Exchange(port, request + "\r\n");
}

// A query parameter's value as a URL carries it.
inline std::string UrlEncode(std::string_view text) {
  std::string out;
  for (const unsigned char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '_' || c == '.' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace q17::test
