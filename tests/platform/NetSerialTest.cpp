// Network serial ports against servers made up here on the loopback: the
// names, the RFC 2217 settings and their check, the line's bytes both ways,
// and each way an open or a connection can fail.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

#include "platform/NetPortName.h"
#include "platform/Rfc2217.h"
#include "platform/SerialApi.h"

namespace q17 {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(NetPortName, NamesAsUsersTypeThem) {
  const auto raw = ParseNetPortName("tcp://10.0.0.7:4001");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->Kind, NetPortKind::RawTcp);
  EXPECT_EQ(raw->Host, "10.0.0.7");
  EXPECT_EQ(raw->Port, 4001);
  const auto telnet = ParseNetPortName("rfc2217://[::1]:2217");
  ASSERT_TRUE(telnet);
  EXPECT_EQ(telnet->Kind, NetPortKind::Rfc2217);
  EXPECT_EQ(telnet->Host, "::1");
  for (const char* bad : {"/dev/ttyUSB0", "COM5", "tcp://host", "tcp://:4001", "tcp://host:0", "tcp://host:65536",
                          "tcp://host:40a1", "tcp://::1:4001", "udp://host:4001", "tcp://[::1]4001"}) {
    EXPECT_FALSE(IsNetPortName(bad)) << bad;
  }
}

// One connection on a loopback port, served by `serve` on its own thread.
class Server {
 public:
  Server() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&a), len), 0);
    EXPECT_EQ(::listen(fd_, 4), 0);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~Server() {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);  // ends a waiting accept
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
  }
  std::string Name(const char* scheme) const { return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_); }

  // Serves one connection, or every one until the server ends.
  void Serve(std::function<void(int)> serve, bool every = false) {
    thread_ = std::thread([this, every, serve = std::move(serve)] {
      do {
        const int c = ::accept(fd_, nullptr, nullptr);
        if (c < 0) return;
        serve(c);
        ::close(c);
      } while (every);
    });
  }
  // Stops listening: later connects are refused.
  void Close() {
    ::close(fd_);
    fd_ = -1;
  }

  // Reads until `tail` has come (true) or the client closed (false).
  static bool ReadUntil(int fd, Bytes& got, const Bytes& tail) {
    for (;;) {
      if (std::search(got.begin(), got.end(), tail.begin(), tail.end()) != got.end()) return true;
      std::uint8_t b[256];
      const ssize_t n = ::recv(fd, b, sizeof b, 0);
      if (n <= 0) return false;
      got.insert(got.end(), b, b + n);
    }
  }
  static void Send(int fd, const Bytes& bytes) { ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  // Waits for the client to hang up.
  static void AwaitClose(int fd) {
    std::uint8_t b[256];
    while (::recv(fd, b, sizeof b, 0) > 0) {
    }
  }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

const Bytes kPurgeAsked{255, 250, 44, 12, 3, 255, 240};

Bytes Answers(std::uint32_t baud) {
  using namespace telnet;
  Bytes out{kIac, kDo, kOptComPort, kIac, kWill, kOptBinary};
  const std::uint8_t b[4] = {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                             static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
  out.insert(out.end(), {kIac, kSb, kOptComPort, 101, b[0], b[1], b[2], b[3], kIac, kSe});
  for (const auto& [cmd, value] : std::vector<std::pair<int, int>>{{102, 8}, {103, 1}, {104, 1}, {105, 1}, {112, 3}}) {
    out.insert(out.end(), {kIac, kSb, kOptComPort, static_cast<std::uint8_t>(cmd), static_cast<std::uint8_t>(value),
                           kIac, kSe});
  }
  return out;
}

class NetSerial : public ::testing::Test {
 protected:
  std::unique_ptr<SerialApi> api = MakeSystemSerialApi();
  TLineSettings line;
};

TEST_F(NetSerial, Rfc2217SetsTheLineAndCarriesEscapedBytesUntilTheServerHangsUp) {
  Server server;
  Bytes asked;
  Bytes written;
  server.Serve([&](int c) {
    if (!Server::ReadUntil(c, asked, kPurgeAsked)) return;
    Bytes answers = Answers(9600);
    // A line-state notice and a byte that came before the purge answer arrive too.
    answers.insert(answers.end() - 7, {255, 250, 44, 106, 0x60, 255, 240, 0x99});
    Server::Send(c, answers);
    Server::ReadUntil(c, written, {0x7E, 255, 255, 0x01});
    Server::Send(c, {0x02, 255, 255, 0x03});
  });
  TSerialOpen opened = api->Open(server.Name("rfc2217"), line);
  ASSERT_TRUE(opened.Port) << opened.Failure.Detail;
  SerialPort& port = *opened.Port;
  EXPECT_GE(port.ReplyAllowanceMs(), 10);
  EXPECT_LE(port.ReplyAllowanceMs(), 1000);
  // 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control, both buffers purged.
  for (const Bytes& command : {Bytes{255, 251, 44}, Bytes{255, 250, 44, 1, 0, 0, 0x25, 0x80, 255, 240},
                               Bytes{255, 250, 44, 2, 8, 255, 240}, Bytes{255, 250, 44, 3, 1, 255, 240},
                               Bytes{255, 250, 44, 4, 1, 255, 240}, Bytes{255, 250, 44, 5, 1, 255, 240}}) {
    EXPECT_NE(std::search(asked.begin(), asked.end(), command.begin(), command.end()), asked.end());
  }

  const std::uint8_t request[] = {0x7E, 0xFF, 0x01};
  EXPECT_EQ(port.Write(request, sizeof request), 3);
  std::uint8_t got[16];
  Bytes reply;
  while (reply.size() < 3) {
    const long n = port.Read(got, sizeof got, 5000);
    ASSERT_GT(n, 0);
    reply.insert(reply.end(), got, got + n);
  }
  EXPECT_EQ(reply, (Bytes{0x02, 0xFF, 0x03})) << "the byte from before the purge is gone";
  EXPECT_EQ(port.Read(got, sizeof got, 5000), kPortGone);
  EXPECT_FALSE(port.Present());
}

TEST_F(NetSerial, RawCarriesTheBytesAsTheyAre) {
  Server server;
  server.Serve([](int c) {
    Bytes got;
    Server::ReadUntil(c, got, {0xFF, 0x10});
    Server::Send(c, {0xFF, 0x20});
    Server::AwaitClose(c);
  });
  TSerialOpen opened = api->Open(server.Name("tcp"), line);
  ASSERT_TRUE(opened.Port) << opened.Failure.Detail;
  const std::uint8_t request[] = {0xFF, 0x10};
  EXPECT_EQ(opened.Port->Write(request, sizeof request), 2);
  std::uint8_t got[4];
  ASSERT_EQ(opened.Port->Read(got, sizeof got, 5000), 2);
  EXPECT_EQ(Bytes(got, got + 2), (Bytes{0xFF, 0x20}));
  EXPECT_TRUE(opened.Port->Present());
}

TEST_F(NetSerial, ALineTheServerDidNotApplyFailsTheOpen) {
  Server server;
  server.Serve([](int c) {
    Bytes asked;
    if (Server::ReadUntil(c, asked, kPurgeAsked)) Server::Send(c, Answers(19200));
    Server::AwaitClose(c);
  });
  const TSerialOpen opened = api->Open(server.Name("rfc2217"), line);
  EXPECT_FALSE(opened.Port);
  EXPECT_EQ(opened.Failure.Reason, OpenFailure::Other);
  EXPECT_NE(opened.Failure.Detail.find("baud 19200 instead of 9600"), std::string::npos) << opened.Failure.Detail;

  // A telnet server without COM-PORT-CONTROL declines the option outright.
  Server plain;
  plain.Serve([](int c) {
    Bytes asked;
    if (Server::ReadUntil(c, asked, kPurgeAsked)) Server::Send(c, {255, 254, 44});
    Server::AwaitClose(c);
  });
  const TSerialOpen declined = api->Open(plain.Name("rfc2217"), line);
  EXPECT_FALSE(declined.Port);
  EXPECT_EQ(declined.Failure.Reason, OpenFailure::NotSerial);
  EXPECT_NE(declined.Failure.Detail.find("does not take RFC 2217"), std::string::npos) << declined.Failure.Detail;
}

// Asked again for a second first: a server still closing the port after
// the last client says the same for a moment.
TEST_F(NetSerial, AServerThatHangsUpAtOnceHasAnotherClient) {
  for (const char* scheme : {"tcp", "rfc2217"}) {
    Server server;
    server.Serve([](int c) { Server::Send(c, {'P', 'o', 'r', 't', ' ', 'i', 'n', ' ', 'u', 's', 'e', '\r', '\n'}); },
                 true);
    const TSerialOpen opened = api->Open(server.Name(scheme), line);
    EXPECT_FALSE(opened.Port) << scheme;
    EXPECT_EQ(opened.Failure.Reason, OpenFailure::ServerBusy) << scheme;
    EXPECT_NE(opened.Failure.Detail.find("\"Port in use\""), std::string::npos) << opened.Failure.Detail;
  }
}

TEST_F(NetSerial, RefusedAndSilentServersAreNamedWithoutAHang) {
  {
    Server server;
    const std::string name = server.Name("tcp");
    server.Close();
    const TSerialOpen opened = api->Open(name, line);
    EXPECT_EQ(opened.Failure.Reason, OpenFailure::Refused);
  }
  // Accepts and never answers the settings: a few seconds, then a clear word.
  Server server;
  server.Serve([](int c) { Server::AwaitClose(c); });
  const TSerialOpen opened = api->Open(server.Name("rfc2217"), line);
  EXPECT_FALSE(opened.Port);
  EXPECT_EQ(opened.Failure.Reason, OpenFailure::NoAnswer);
}

}  // namespace
}  // namespace q17
