#pragma once
// ser2net, a network serial server nobody here wrote, on the loopback: one
// raw and one RFC 2217 accepter, each in front of its own pseudo-terminal
// (a server's port takes one client at a time), from a configuration the
// test writes. Stopped when it goes out of scope.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/TempDir.h"
#include "support/ChildProcess.h"

namespace q17::test {

inline constexpr const char* kSer2net = "/usr/sbin/ser2net";

inline bool HaveSer2net() { return ::access(kSer2net, X_OK) == 0; }

// A loopback port nobody listens on now.
inline int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), len);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

// Whether some socket listens on this loopback port (asked of the kernel,
// so no connection opens the server's device).
inline bool Listening(int port) {
  std::ifstream tcp("/proc/net/tcp");
  std::string line;
  char hex[8];
  std::snprintf(hex, sizeof hex, ":%04X", port);
  while (std::getline(tcp, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == hex) return true;
  }
  return false;
}

class Ser2net {
 public:
  // A raw accepter in front of rawPty and an RFC 2217 one in front of telnetPty.
  Ser2net(const std::string& rawPty, const std::string& telnetPty) : rawPort_(FreePort()), telnetPort_(FreePort()) {
    std::ofstream(dir_ / "ser2net.yaml")
        << "connection: &raw\n"
           "  accepter: tcp,127.0.0.1," << rawPort_ << "\n"
           "  connector: serialdev," << rawPty << ",9600n81,local\n"
           "  options:\n"
           "    chardelay: false\n"
           "connection: &rfc2217\n"
           "  accepter: telnet(rfc2217),tcp,127.0.0.1," << telnetPort_ << "\n"
           "  connector: serialdev," << telnetPty << ",9600n81,local\n"
           "  options:\n"
           "    chardelay: false\n";
    // -n: in the foreground; -u: no UUCP lock files outside the test.
    if (!server_.Start({kSer2net, "-n", "-u", "-c", dir_ / "ser2net.yaml", "-P", dir_ / "ser2net.pid"}, {}, true)) {
      return;
    }
    // Until both accepters listen; the wait ends on ser2net's own words or
    // at the latest after some 20 s, only ever reached when it is broken.
    for (int i = 0; i < 800 && !Ready(); ++i) {
      std::string ignored;
      server_.ReadLine(ignored, 25);
    }
  }

  // Whether both accepters listen.
  bool Ready() const { return Listening(rawPort_) && Listening(telnetPort_); }
  // What ser2net said on its error output.
  std::string Err() const { return server_.Err(); }
  std::string Raw() const { return "tcp://127.0.0.1:" + std::to_string(rawPort_); }
  std::string Telnet() const { return "rfc2217://127.0.0.1:" + std::to_string(telnetPort_); }
  void Stop() { server_.Stop(); }

 private:
  TempDir dir_;
  int rawPort_;
  int telnetPort_;
  ChildProcess server_;
};

}  // namespace q17::test
