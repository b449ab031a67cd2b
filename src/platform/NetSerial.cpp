// A serial port at the far end of a TCP connection: raw (the line's bytes)
// or telnet with RFC 2217's COM-PORT-CONTROL, where we set 9600 8N1 without
// flow control ourselves and check what the server applied.
//
// Every wait has an end: the connect and the negotiation give up after a
// few seconds, reads and writes keep the port contract's waits, and a stop
// ends them at once. A connection the server closed is a device gone.
#include "platform/NetSerial.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/NetSocket.h"
#include "platform/Rfc2217.h"

namespace q17 {
namespace {

using net::Clock;
using net::Got;
using net::MillisLeft;
using net::MillisSince;

// Long enough for a server across a slow link; short enough that a dead
// one is named before a user wonders whether the program hangs.
constexpr int kConnectMs = 3000;
constexpr int kNegotiateMs = 3000;
constexpr int kBaseAllowanceMs = 20;
// How long a server that turns us away is asked again.
constexpr int kBusyRetryMs = 1000;

// The printable part of what a server said before it hung up ("Port
// already in use"), for the failure's detail.
std::string Said(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  for (const std::uint8_t b : bytes) {
    if (text.size() >= 80) break;
    if (b >= 0x20 && b < 0x7F) text.push_back(static_cast<char>(b));
    else if ((b == '\r' || b == '\n') && !text.empty() && text.back() != ' ') text.push_back(' ');
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

constexpr const char* kNoSettingsAnswer = "no answer to the port settings (RFC 2217)";

// The same server's port reached raw, for a word to one who chose telnet.
std::string RawName(TNetPortName address) {
  address.Kind = NetPortKind::RawTcp;
  return FormatNetPortName(address);
}

// An open that a stop ended: no word about the server, which was not at fault.
TSerialOpen Stopped(const std::string& name) { return FailedOpen(OpenFailure::Other, EINTR, name + ": stopped"); }

class NetSerialPort final : public SerialPort {
 public:
  NetSerialPort(std::unique_ptr<net::NetSocket> socket, bool telnet, const TLineSettings& line, int allowanceMs)
      : socket_(std::move(socket)), telnet_(telnet), line_(line), allowanceMs_(allowanceMs) {}
  NetSerialPort(const NetSerialPort&) = delete;
  NetSerialPort& operator=(const NetSerialPort&) = delete;

  telnet::TClientDecoder& Decoder() { return decoder_; }

  long Read(std::uint8_t* buffer, std::size_t maxBytes, int waitMs) override {
    if (!buffer && maxBytes > 0) return kPortError;
    if (maxBytes == 0) return 0;
    if (gone_) return kPortGone;
    if (!pending_.empty()) return TakePending(buffer, maxBytes);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    for (;;) {
      std::uint8_t chunk[4096];
      std::size_t got = 0;
      const std::size_t want = telnet_ ? sizeof chunk : std::min(maxBytes, sizeof chunk);
      switch (socket_->Receive(telnet_ ? chunk : buffer, want, MillisLeft(deadline), got)) {
        case Got::Silence:
        case Got::Stopped:
          return 0;
        case Got::Closed:
          gone_ = true;
          return kPortGone;
        case Got::Error:
          return kPortError;
        case Got::Data:
          break;
      }
      if (!telnet_) return static_cast<long>(got);
      decoder_.Feed(chunk, got, pending_);
      if (SendAnswers() == kPortGone) return kPortGone;
      if (!pending_.empty()) return TakePending(buffer, maxBytes);
      // Only telnet talk came: the line is still silent.
      if (MillisLeft(deadline) == 0) return 0;
    }
  }

  long Write(const std::uint8_t* data, std::size_t size) override {
    if (!data && size > 0) return kPortError;
    if (gone_) return kPortGone;
    if (size == 0) return 0;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(line_.WriteAllowanceMs +
                                                 static_cast<std::uint64_t>(line_.WriteMsPerByte) * size);
    if (!telnet_) return Note(socket_->SendAll(data, size, deadline));
    std::vector<std::uint8_t> wire;
    wire.reserve(size + 8);
    telnet::AppendEscaped(wire, data, size);
    const long sent = Note(socket_->SendAll(wire.data(), wire.size(), deadline));
    if (sent < 0 || static_cast<std::size_t>(sent) == wire.size()) return sent < 0 ? sent : static_cast<long>(size);
    // Cut short: count the line's bytes whose wire form went out whole.
    std::size_t wireAt = 0;
    std::size_t lineBytes = 0;
    while (lineBytes < size) {
      const std::size_t step = data[lineBytes] == telnet::kIac ? 2 : 1;
      if (wireAt + step > static_cast<std::size_t>(sent)) break;
      wireAt += step;
      ++lineBytes;
    }
    return static_cast<long>(lineBytes);
  }

  bool Present() override { return !gone_ && socket_->Present(); }

  // What opening measured; the link learns the rest from the replies.
  int ReplyAllowanceMs() const override { return allowanceMs_; }
  bool IsNetwork() const override { return true; }
  void SetAllowance(int ms) { allowanceMs_ = ms; }

  long SendAnswers() {
    std::vector<std::uint8_t>& out = decoder_.Outgoing();
    if (out.empty()) return 0;
    const long n = Note(socket_->SendAll(out.data(), out.size(), Clock::now() + std::chrono::milliseconds(1000)));
    out.clear();
    return n;
  }

  net::NetSocket& Connection() { return *socket_; }
  void DropPending() { pending_.clear(); }

 private:
  long TakePending(std::uint8_t* buffer, std::size_t maxBytes) {
    const std::size_t n = std::min(maxBytes, pending_.size());
    std::memcpy(buffer, pending_.data(), n);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<long>(n);
  }
  long Note(long n) {
    if (n == kPortGone) gone_ = true;
    return n;
  }

  const std::unique_ptr<net::NetSocket> socket_;
  const bool telnet_;
  const TLineSettings line_;
  int allowanceMs_;
  bool gone_ = false;
  telnet::TClientDecoder decoder_;
  std::vector<std::uint8_t> pending_;  // the line's bytes decoded but not yet taken
};

// Connects to the first address that answers, in words a user can act on.
TSerialOpen Connect(const std::string& name, const TNetPortName& address, net::Resolver& resolver,
                    const StopSignal* const& stop, net::TConnected& connected) {
  connected = net::ConnectTcp(resolver, address.Host, address.Port, kConnectMs, stop);
  const net::TSocketError& error = connected.Error;
  const std::string seconds = std::to_string(kConnectMs / 1000) + " s";
  switch (connected.Fault) {
    case net::ConnectFault::None:
      return {};
    case net::ConnectFault::UnknownHost:
      return FailedOpen(OpenFailure::Other, 0, name + ": unknown server '" + address.Host + "' (" + error.Text + ")");
    case net::ConnectFault::LookupTimedOut:
      return FailedOpen(OpenFailure::NoAnswer, 0,
                        name + ": no address for '" + address.Host + "' within " + seconds + " (the name's lookup)");
    case net::ConnectFault::Refused:
      return FailedOpen(OpenFailure::Refused, error.Code, name + ": " + error.Text);
    case net::ConnectFault::TimedOut:
      return FailedOpen(OpenFailure::NoAnswer, error.Code, name + ": no connection within " + seconds);
    case net::ConnectFault::Stopped:
      return Stopped(name);
    case net::ConnectFault::Other:
      break;
  }
  return FailedOpen(OpenFailure::NoAnswer, error.Code, name + ": " + error.Text);
}

// A server that hangs up at once serves another client; its words, if any, say so.
TSerialOpen ServerClosed(const std::string& name, const std::vector<std::uint8_t>& said) {
  const std::string words = Said(said);
  return FailedOpen(OpenFailure::ServerBusy, 0,
                name + ": the server closed the connection" + (words.empty() ? "" : " (\"" + words + "\")"));
}

// A server that takes one client at a time accepts the next and hangs up
// at once, often with a word first. Whatever else arrives before our first
// request is dropped, as a local open drops it.
TSerialOpen SettleRaw(const std::string& name, NetSerialPort& port, int settleMs) {
  std::vector<std::uint8_t> said;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kNegotiateMs);
  for (;;) {
    std::uint8_t chunk[512];
    std::size_t got = 0;
    const int wait = std::min(settleMs, MillisLeft(deadline));
    switch (port.Connection().Receive(chunk, sizeof chunk, wait, got)) {
      case Got::Data:
        if (said.size() < 256) said.insert(said.end(), chunk, chunk + got);
        if (MillisLeft(deadline) == 0) return {};
        continue;
      case Got::Closed:
        return ServerClosed(name, said);
      case Got::Stopped:
        return Stopped(name);
      case Got::Silence:
      case Got::Error:
        return {};
    }
  }
}

std::uint8_t ParityCode(TParity parity) {
  switch (parity) {
    case TParity::Odd:
      return telnet::kParityOdd;
    case TParity::Even:
      return telnet::kParityEven;
    case TParity::None:
      break;
  }
  return telnet::kParityNone;
}

// Sets the server's line and waits for all its answers; `elapsedMs` is the
// time from our request to its last answer.
TSerialOpen Negotiate(const std::string& name, const TNetPortName& address, NetSerialPort& port,
                      const TLineSettings& line, int& elapsedMs) {
  using namespace telnet;
  telnet::TClientDecoder& decoder = port.Decoder();
  std::vector<std::uint8_t> out;
  const std::pair<std::uint8_t, std::uint8_t> asks[] = {{kWill, kOptComPort}, {kWill, kOptBinary},
                                                        {kDo, kOptBinary},    {kWill, kOptSga},
                                                        {kDo, kOptSga}};
  for (const auto& [verb, option] : asks) {
    AppendNegotiation(out, verb, option);
    decoder.NoteSent(verb, option);
  }
  AppendSetBaudRate(out, line.Baud);
  AppendComPortByte(out, ComCmd::SetDataSize, line.DataBits);
  AppendComPortByte(out, ComCmd::SetParity, ParityCode(line.Parity));
  AppendComPortByte(out, ComCmd::SetStopSize, line.StopBits);
  AppendComPortByte(out, ComCmd::SetControl, kControlNoFlow);
  AppendComPortByte(out, ComCmd::PurgeData, kPurgeBoth);

  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + std::chrono::milliseconds(kNegotiateMs);
  const long sent = port.Connection().SendAll(out.data(), out.size(), deadline);
  if (sent == kPortGone) return FailedOpen(OpenFailure::ServerBusy, 0, name + ": the server closed the connection");
  if (sent != static_cast<long>(out.size())) return FailedOpen(OpenFailure::NoAnswer, 0, name + ": the server takes no data");

  std::vector<std::uint8_t> said;  // the line's bytes (telnet's own taken out), for a busy server's words
  const TComReplies& r = decoder.Replies();
  auto complete = [&] { return r.Baud && r.DataSize && r.Parity && r.StopSize && r.Control && r.Purge; };
  while (!complete()) {
    std::uint8_t chunk[512];
    std::size_t got = 0;
    switch (port.Connection().Receive(chunk, sizeof chunk, MillisLeft(deadline), got)) {
      case Got::Data:
        break;
      case Got::Closed:
        return ServerClosed(name, said);
      case Got::Stopped:
        return Stopped(name);
      case Got::Silence:
        // A raw port takes the settings for the line's bytes and says nothing.
        return FailedOpen(OpenFailure::NoAnswer, ETIMEDOUT,
                          name + ": " + kNoSettingsAnswer + " within " +
                              std::to_string(kNegotiateMs / 1000) + " s; a raw port is reached as " +
                              RawName(address));
      case Got::Error: {
        const net::TSocketError error = port.Connection().LastError();
        return FailedOpen(OpenFailure::Other, error.Code, name + ": " + error.Text);
      }
    }
    std::vector<std::uint8_t> data;  // dropped: what came before the purge
    decoder.Feed(chunk, got, data);
    if (said.size() < 256) said.insert(said.end(), data.begin(), data.end());
    if (port.SendAnswers() == kPortGone) return ServerClosed(name, said);
    if (decoder.ComPortRefused()) {
      return FailedOpen(OpenFailure::NoComPortControl, 0, RawName(address) + " reaches a raw port");
    }
  }
  elapsedMs = MillisSince(start);
  port.DropPending();

  std::string wrong;
  auto check = [&](const char* what, unsigned applied, unsigned wanted) {
    if (applied != wanted) {
      wrong += std::string(wrong.empty() ? "" : ", ") + what + " " + std::to_string(applied) + " instead of " +
               std::to_string(wanted);
    }
  };
  check("baud", *r.Baud, line.Baud);
  check("data bits", *r.DataSize, line.DataBits);
  check("parity", *r.Parity, ParityCode(line.Parity));
  check("stop bits", *r.StopSize, line.StopBits);
  check("flow control", *r.Control, kControlNoFlow);
  if (!wrong.empty()) return FailedOpen(OpenFailure::Other, 0, name + ": the server set " + wrong);
  return {};
}

TSerialOpen OpenOnce(const std::string& name, const TNetPortName& address, const TLineSettings& line,
                     net::Resolver& resolver, const StopSignal* const& stop) {
  net::TConnected connection;
  TSerialOpen connected = Connect(name, address, resolver, stop, connection);
  if (connected.Failure.Reason != OpenFailure::None) return connected;

  const bool telnet = address.Kind == NetPortKind::Rfc2217;
  // The round trip seen at opening, twice over for the jitter of a busy
  // network, on top of the line's own wait; a forwarding server's own
  // scheduling costs some milliseconds even on this machine.
  const int roundTripMs = connection.ElapsedMs;
  auto port = std::make_unique<NetSerialPort>(std::move(connection.Socket), telnet, line,
                                              std::min(kMaxNetworkAllowanceMs, kBaseAllowanceMs + 2 * roundTripMs));
  TSerialOpen result;
  if (telnet) {
    int negotiateMs = 0;
    result = Negotiate(name, address, *port, line, negotiateMs);
    if (result.Failure.Reason != OpenFailure::None) return result;
    // The settings' answers cross the server's own work on its port too:
    // the closer measure of what a reply adds.
    port->SetAllowance(std::min(kMaxNetworkAllowanceMs, kBaseAllowanceMs + 2 * std::max(roundTripMs, negotiateMs)));
  } else {
    result = SettleRaw(name, *port, std::min(200, 20 + 4 * roundTripMs));
    if (result.Failure.Reason != OpenFailure::None) return result;
  }
  result.Port = std::move(port);
  return result;
}

}  // namespace

bool NetOpenReachedServer(const TOpenFailure& failure) {
  switch (failure.Reason) {
    case OpenFailure::ServerBusy:
    case OpenFailure::NoComPortControl:
      return true;
    case OpenFailure::NoAnswer:
      return failure.Detail.find(kNoSettingsAnswer) != std::string::npos;
    default:
      return false;
  }
}

TSerialOpen OpenNetPort(const std::string& name, const TNetPortName& address, const TLineSettings& line,
                        const StopSignal* const& stop) {
  const std::unique_ptr<net::Resolver> resolver = net::MakeSystemResolver();
  return OpenNetPort(name, address, line, stop, *resolver);
}

TSerialOpen OpenNetPort(const std::string& name, const TNetPortName& address, const TLineSettings& line,
                        const StopSignal* const& stop, net::Resolver& resolver) {
  if (!IsValidLine(line)) return FailedOpen(OpenFailure::Other, EINVAL, name + ": a line setting the port cannot take");
  // A server still closing its port after the previous client (the last
  // command a moment ago) turns the next one away: a short while of retries
  // tells that from a port another client really holds.
  const Clock::time_point giveUp = Clock::now() + std::chrono::milliseconds(kBusyRetryMs);
  int pauseMs = 20;
  for (;;) {
    TSerialOpen result = OpenOnce(name, address, line, resolver, stop);
    if (result.Failure.Reason != OpenFailure::ServerBusy || MillisLeft(giveUp) == 0) return result;
    net::PauseUnlessStopped(stop, std::min(pauseMs, MillisLeft(giveUp)));
    if (stop && stop->Requested()) return Stopped(name);
    pauseMs *= 2;
  }
}

}  // namespace q17
