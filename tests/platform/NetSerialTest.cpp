// Network serial ports against servers made up here on the loopback: the
// names, the RFC 2217 settings and their check, the line's bytes both ways,
// and each way an open or a connection can fail. On Windows the same
// servers run over Winsock, so the port's Winsock half meets them too.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/NetPortName.h"
#include "platform/NetSerial.h"
#include "platform/NetSocket.h"
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
  // A URL's scheme in any case, leading zeros: written back as the program writes it.
  for (const auto& [typed, written] : std::vector<std::pair<const char*, const char*>>{
           {"TCP://Gate-3.example:04001", "tcp://Gate-3.example:4001"},
           {"RFC2217://[fe80::1%eth0]:2217", "rfc2217://[fe80::1%eth0]:2217"}}) {
    const auto parsed = ParseNetPortName(typed);
    ASSERT_TRUE(parsed) << typed;
    EXPECT_EQ(FormatNetPortName(*parsed), written);
  }
  // What is wrong is named, so a user need not guess.
  const std::pair<const char*, NetNameProblem> bad[] = {
      {"/dev/ttyUSB0", NetNameProblem::NotNetwork},
      {"udp://host:4001", NetNameProblem::NotNetwork},
      {"tcp://host", NetNameProblem::NoPort},
      {"tcp://host:", NetNameProblem::NoPort},
      {"tcp://[::1]4001", NetNameProblem::NoPort},
      {"tcp://:4001", NetNameProblem::NoHost},
      {"tcp://host:0", NetNameProblem::PortOutOfRange},
      {"tcp://host:65536", NetNameProblem::PortOutOfRange},
      {"tcp://host:40a1", NetNameProblem::PortNotNumber},
      {"tcp://host:4001 ", NetNameProblem::Blank},
      {"tcp://gate 3:4001", NetNameProblem::Blank},
      {"tcp://ga\x1b[2Jte:4001", NetNameProblem::ControlCharacter},
      {"tcp://#:4001", NetNameProblem::BadHostCharacter},
      {"tcp://user@host:4001", NetNameProblem::BadHostCharacter},
      {"tcp://::1:4001", NetNameProblem::Ipv6NeedsBrackets},
      {"tcp://h:4002:4001", NetNameProblem::BadHostCharacter},
      {"tcp://[::1:4001", NetNameProblem::UnclosedBracket},
      {"tcp://[gate]:4001", NetNameProblem::NotIpv6InBrackets},
  };
  for (const auto& [text, problem] : bad) {
    const TNetNameCheck check = CheckNetPortName(text);
    EXPECT_FALSE(check.Name) << text;
    EXPECT_EQ(check.Problem, problem) << text;
    EXPECT_NE(std::string(NetNameProblemText(problem)), "") << text;
  }
}

TEST(NetAddress, WrittenAndOrderedAsRfc8305Has) {
  net::TNetAddress v4;
  v4.Bytes = {192, 168, 10, 20};
  v4.Port = 4001;
  net::TNetAddress v6;
  v6.V6 = true;
  v6.Bytes = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
  v6.Port = 4001;
  net::TNetAddress loop6;
  loop6.V6 = true;
  loop6.Bytes[15] = 1;
  loop6.Port = 2217;
  EXPECT_EQ(net::AddressText(v4), "192.168.10.20:4001");
  EXPECT_EQ(net::AddressText(v6), "[2001:db8:0:1::1]:4001");
  EXPECT_EQ(net::AddressText(loop6), "[::1]:2217");
  // The system's first choice first, then the families take turns.
  net::TNetAddress v4b = v4;
  v4b.Bytes[3] = 21;
  EXPECT_EQ(net::InterleaveFamilies({v6, loop6, v4, v4b}), (std::vector<net::TNetAddress>{v6, v4, loop6, v4b}));
}

#ifdef _WIN32
using Sock = SOCKET;
constexpr Sock kNoSock = INVALID_SOCKET;
void CloseSock(Sock s) { ::closesocket(s); }
constexpr int kSendFlags = 0;
constexpr int kSockType = SOCK_STREAM;
// The test's own servers listen before any port has started Winsock.
struct Winsock {
  Winsock() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~Winsock() { ::WSACleanup(); }
};
#else
using Sock = int;
constexpr Sock kNoSock = -1;
void CloseSock(Sock s) { ::close(s); }
constexpr int kSendFlags = MSG_NOSIGNAL;
constexpr int kSockType = SOCK_STREAM | SOCK_CLOEXEC;
struct Winsock {};
#endif

long RecvSome(Sock s, std::uint8_t* buffer, std::size_t size) {
  return static_cast<long>(::recv(s, reinterpret_cast<char*>(buffer), static_cast<int>(size), 0));
}

// One connection on a loopback port, served by `serve` on its own thread.
class Server {
 public:
  Server() {
    fd_ = ::socket(AF_INET, kSockType, 0);
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
#ifdef _WIN32
    Close();  // ends a waiting accept
#else
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);  // ends a waiting accept
#endif
    if (thread_.joinable()) thread_.join();
    Close();
  }
  std::string Name(const char* scheme) const { return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_); }

  // Serves one connection, or every one until the server ends.
  void Serve(std::function<void(Sock)> serve, bool every = false) {
    thread_ = std::thread([listener = fd_, every, serve = std::move(serve)] {
      do {
        const Sock c = ::accept(listener, nullptr, nullptr);
        if (c == kNoSock) return;
        serve(c);
        CloseSock(c);
      } while (every);
    });
  }
  // Stops listening: later connects are refused.
  void Close() {
    if (fd_ != kNoSock) CloseSock(fd_);
    fd_ = kNoSock;
  }

  // Reads until `tail` has come (true) or the client closed (false).
  static bool ReadUntil(Sock fd, Bytes& got, const Bytes& tail) {
    for (;;) {
      if (std::search(got.begin(), got.end(), tail.begin(), tail.end()) != got.end()) return true;
      std::uint8_t b[256];
      const long n = RecvSome(fd, b, sizeof b);
      if (n <= 0) return false;
      got.insert(got.end(), b, b + n);
    }
  }
  static void Send(Sock fd, const Bytes& bytes) {
    ::send(fd, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), kSendFlags);
  }
  // Waits for the client to hang up.
  static void AwaitClose(Sock fd) {
    std::uint8_t b[256];
    while (RecvSome(fd, b, sizeof b) > 0) {
    }
  }

 private:
  Winsock winsock_;
  Sock fd_ = kNoSock;
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
  server.Serve([&](Sock c) {
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
  server.Serve([](Sock c) {
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
  server.Serve([](Sock c) {
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
  EXPECT_EQ(declined.Failure.Reason, OpenFailure::NoComPortControl);
  EXPECT_EQ(declined.Failure.Detail, plain.Name("tcp") + " reaches a raw port");
}

// Asked again for a second first: a server still closing the port after
// the last client says the same for a moment.
TEST_F(NetSerial, AServerThatHangsUpAtOnceHasAnotherClient) {
  for (const char* scheme : {"tcp", "rfc2217"}) {
    Server server;
    // A telnet server's own talk (here: it will do COM-PORT-CONTROL, option 44) is not its words.
    const bool telnet = scheme == std::string("rfc2217");
    server.Serve(
        [telnet](Sock c) {
          if (telnet) Server::Send(c, {255, 251, 44});
          Server::Send(c, {'P', 'o', 'r', 't', ' ', 'i', 'n', ' ', 'u', 's', 'e', '\r', '\n'});
        },
        true);
    const TSerialOpen opened = api->Open(server.Name(scheme), line);
    EXPECT_FALSE(opened.Port) << scheme;
    EXPECT_EQ(opened.Failure.Reason, OpenFailure::ServerBusy) << scheme;
    EXPECT_NE(opened.Failure.Detail.find("(\"Port in use\")"), std::string::npos) << opened.Failure.Detail;
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
  server.Serve([](Sock c) { Server::AwaitClose(c); });
  const TSerialOpen opened = api->Open(server.Name("rfc2217"), line);
  EXPECT_FALSE(opened.Port);
  EXPECT_EQ(opened.Failure.Reason, OpenFailure::NoAnswer);
}

// A stop as q17ctl's: on POSIX a descriptor that polls readable once it is
// requested; Windows has none.
class TestStop final : public StopSignal {
 public:
  TestStop() {
#ifndef _WIN32
    if (::pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
#endif
  }
  ~TestStop() override {
#ifndef _WIN32
    ::close(fds_[0]);
    ::close(fds_[1]);
#endif
  }
  void Request() {
    requested_ = true;
#ifndef _WIN32
    ASSERT_EQ(::write(fds_[1], "s", 1), 1);
#endif
  }
  bool Requested() const override { return requested_; }
  int WaitDescriptor() const override { return fds_[0]; }

 private:
  std::atomic<bool> requested_{false};
  int fds_[2] = {-1, -1};
};

// A stop that comes at its Nth look, with no descriptor to wait on (as on
// Windows): a wait that looks for it in slices ends there.
class CountedStop final : public StopSignal {
 public:
  explicit CountedStop(int comesAt) : comesAt_(comesAt) {}
  bool Requested() const override { return ++looks_ >= comesAt_; }

 private:
  const int comesAt_;
  mutable std::atomic<int> looks_{0};
};

// Every wait ends at once on a stop (a long one would outlast the test's
// time limit), yet what has arrived is still read.
TEST_F(NetSerial, AStopEndsTheWaitsButNotWhatHasArrived) {
  Server server;
  server.Serve([](Sock c) {
    Bytes got;
    if (Server::ReadUntil(c, got, {0x01})) Server::Send(c, {0x41});
    Server::AwaitClose(c);
  });
  TSerialOpen opened = api->Open(server.Name("tcp"), line);
  ASSERT_TRUE(opened.Port) << opened.Failure.Detail;
  TestStop stop;
  api->SetStopSignal(&stop);
  stop.Request();
  std::uint8_t got[8];
  EXPECT_EQ(opened.Port->Read(got, sizeof got, 600000), 0);
  const std::uint8_t request[] = {0x01};
  EXPECT_EQ(opened.Port->Write(request, sizeof request), 1);
  long n = 0;
  while (n == 0) n = opened.Port->Read(got, sizeof got, 600000);  // each ends at once until the reply is in
  EXPECT_EQ(n, 1);
  opened.Port.reset();

  // A server that would keep the settings unanswered for seconds.
  Server silent;
  silent.Serve([](Sock c) { Server::AwaitClose(c); });
  const TSerialOpen stopped = api->Open(silent.Name("rfc2217"), line);
  EXPECT_FALSE(stopped.Port);
  EXPECT_NE(stopped.Failure.Detail.find(": stopped"), std::string::npos) << stopped.Failure.Detail;
  api->SetStopSignal(nullptr);
}


// A name server that answers only when the test lets it, on the system
// resolver's own thread machinery; `onStart` runs once the lookup waits.
class HeldLookup {
 public:
  ~HeldLookup() { Release(); }
  std::function<net::TResolved()> Lookup(net::TResolved answer, std::function<void()> onStart) {
    return [state = state_, answer = std::move(answer), onStart = std::move(onStart)] {
      if (onStart) onStart();
      std::unique_lock<std::mutex> lock(state->m);
      state->cv.wait(lock, [&] { return state->released; });
      return answer;
    };
  }
  void Release() {
    const std::lock_guard<std::mutex> lock(state_->m);
    state_->released = true;
    state_->cv.notify_all();
  }

 private:
  struct State {
    std::mutex m;
    std::condition_variable cv;
    bool released = false;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

// Gives the test's own loopback addresses for any name; none is ever asked
// of the system.
class FakeResolver final : public net::Resolver {
 public:
  std::vector<std::uint16_t> ports;  // 127.0.0.1 at each, in this order
  HeldLookup* held = nullptr;        // set: the answer waits for the test
  std::function<void()> onStart;
  std::vector<std::string> asked;

  net::TResolved Resolve(const std::string& host, std::uint16_t, net::Clock::time_point deadline,
                         const StopSignal* stop) override {
    asked.push_back(host);
    net::TResolved answer;
    for (const std::uint16_t port : ports) {
      net::TNetAddress a;
      a.Bytes = {127, 0, 0, 1};
      a.Port = port;
      answer.Addresses.push_back(a);
    }
    if (held) return net::ResolveOnThread(held->Lookup(answer, onStart), deadline, stop);
    return answer;
  }
};

std::uint16_t PortOf(const Server& server) {
  const std::string name = server.Name("tcp");
  return static_cast<std::uint16_t>(std::stoi(name.substr(name.rfind(':') + 1)));
}

TEST(NetResolve, TheSystemResolverTakesAddressesAsTheyAreAndLooksUpLocalhost) {
  const auto resolver = net::MakeSystemResolver();
  const auto later = net::Clock::now() + std::chrono::minutes(1);
  const net::TResolved numeric = resolver->Resolve("127.0.0.1", 4001, later, nullptr);
  ASSERT_EQ(numeric.Fault, net::ResolveFault::None) << numeric.Error.Text;
  ASSERT_EQ(numeric.Addresses.size(), 1u);
  EXPECT_EQ(net::AddressText(numeric.Addresses[0]), "127.0.0.1:4001");
  const net::TResolved local = resolver->Resolve("localhost", 4001, later, nullptr);
  ASSERT_EQ(local.Fault, net::ResolveFault::None) << local.Error.Text;
  for (const net::TNetAddress& a : local.Addresses) {
    EXPECT_TRUE(a.V6 ? a.Bytes[15] == 1 : a.Bytes[0] == 127) << net::AddressText(a);
  }
}

TEST_F(NetSerial, ANameServerThatNeverAnswersIsGivenUpAtTheOpensBoundOrAtAStop) {
  const std::string name = "rfc2217://gate-3.example:4001";
  const auto address = ParseNetPortName(name);
  ASSERT_TRUE(address);
  FakeResolver resolver;
  HeldLookup held;
  resolver.held = &held;
  const StopSignal* none = nullptr;
  const TSerialOpen late = OpenNetPort(name, *address, line, none, resolver);
  EXPECT_EQ(late.Failure.Reason, OpenFailure::NoAnswer);
  EXPECT_EQ(late.Failure.Detail, name + ": no address for 'gate-3.example' within 3 s (the name's lookup)");
  EXPECT_EQ(resolver.asked, std::vector<std::string>{"gate-3.example"}) << "asked once, not again by the retries";

  // A stop while the lookup waits ends the open at once (the test's time
  // limit is far shorter than the lookup's wait).
  TestStop stop;
  resolver.onStart = [&stop] { stop.Request(); };
  const StopSignal* stopping = &stop;
  const TSerialOpen stopped = OpenNetPort(name, *address, line, stopping, resolver);
  EXPECT_EQ(stopped.Failure.Detail, name + ": stopped");
}

// A listener whose one queue slot is taken: the kernel drops further
// connects' first packets, so a connect to it never completes.
class BlackHole {
 public:
  BlackHole() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&a), len), 0);
    EXPECT_EQ(::listen(listener_, 0), 0);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    EXPECT_EQ(::connect(filler_, reinterpret_cast<sockaddr*>(&a), len), 0);
  }
  ~BlackHole() {
    CloseSock(filler_);
    CloseSock(listener_);
  }
  BlackHole(const BlackHole&) = delete;
  BlackHole& operator=(const BlackHole&) = delete;
  std::uint16_t Port() const { return port_; }

 private:
  Winsock winsock_;
  Sock listener_ = ::socket(AF_INET, kSockType, 0);
  Sock filler_ = ::socket(AF_INET, kSockType, 0);
  std::uint16_t port_ = 0;
};

TEST_F(NetSerial, EachAddressGetsItsOwnTryAndTheFirstThatConnectsIsTaken) {
  BlackHole hole;
  Server working;
  working.Serve([](Sock c) {
    Bytes got;
    if (Server::ReadUntil(c, got, {0x01})) Server::Send(c, {0x41});
    Server::AwaitClose(c);
  });
  FakeResolver resolver;
  resolver.ports = {hole.Port(), PortOf(working)};
  const std::string name = "tcp://gate-3.example:4001";
  const StopSignal* none = nullptr;
  TSerialOpen opened = OpenNetPort(name, *ParseNetPortName(name), line, none, resolver);
  ASSERT_TRUE(opened.Port) << opened.Failure.Detail;
  const std::uint8_t request[] = {0x01};
  EXPECT_EQ(opened.Port->Write(request, sizeof request), 1);
  std::uint8_t got[4];
  EXPECT_EQ(opened.Port->Read(got, sizeof got, 5000), 1) << "the working server answers";

  // A stop ends the wait for a connect that never completes.
  resolver.ports = {hole.Port()};
  CountedStop stop(2);
  const StopSignal* stopping = &stop;
  const TSerialOpen stopped = OpenNetPort(name, *ParseNetPortName(name), line, stopping, resolver);
  EXPECT_EQ(stopped.Failure.Detail, name + ": stopped");
}

// A server that turns every client away is asked again for a second, but
// not past a stop, and the stop is no server's fault.
TEST_F(NetSerial, AStopEndsTheRetriesOfABusyServer) {
  TestStop stop;
  Server server;
  server.Serve(
      [&stop](Sock c) {
        Server::Send(c, {'P', 'o', 'r', 't', ' ', 'i', 'n', ' ', 'u', 's', 'e', '\r', '\n'});
        stop.Request();
      },
      true);
  api->SetStopSignal(&stop);
  const TSerialOpen opened = api->Open(server.Name("tcp"), line);
  api->SetStopSignal(nullptr);
  EXPECT_EQ(opened.Failure.Detail, server.Name("tcp") + ": stopped");
}

}  // namespace
}  // namespace q17
