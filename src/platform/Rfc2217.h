#pragma once
// The telnet side of a serial server (RFC 854 framing, RFC 2217
// COM-PORT-CONTROL): what a client sends to set the server's port, and a
// decoder that takes the server's byte stream apart into the line's data,
// the answers to our settings and the negotiation we must answer. No
// sockets here: the network port feeds it what it reads and writes what it
// queues. Its input comes from the network, so no byte sequence may upset it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace q17::telnet {

inline constexpr std::uint8_t kIac = 255;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kSe = 240;

inline constexpr std::uint8_t kOptBinary = 0;
inline constexpr std::uint8_t kOptSga = 3;
inline constexpr std::uint8_t kOptComPort = 44;

// COM-PORT-OPTION commands, client to server; the server answers with the
// same command plus 100.
enum class ComCmd : std::uint8_t {
  Signature = 0,
  SetBaudRate = 1,
  SetDataSize = 2,
  SetParity = 3,
  SetStopSize = 4,
  SetControl = 5,
  NotifyLineState = 6,
  NotifyModemState = 7,
  FlowControlSuspend = 8,
  FlowControlResume = 9,
  SetLineStateMask = 10,
  SetModemStateMask = 11,
  PurgeData = 12,
};
inline constexpr std::uint8_t kServerOffset = 100;

inline constexpr std::uint8_t kParityNone = 1;
inline constexpr std::uint8_t kParityOdd = 2;
inline constexpr std::uint8_t kParityEven = 3;
inline constexpr std::uint8_t kControlNoFlow = 1;
inline constexpr std::uint8_t kPurgeBoth = 3;

// Line data for the wire: every 0xFF doubled.
void AppendEscaped(std::vector<std::uint8_t>& out, const std::uint8_t* data, std::size_t size);

// IAC <verb> <option>.
void AppendNegotiation(std::vector<std::uint8_t>& out, std::uint8_t verb, std::uint8_t option);

// IAC SB COM-PORT-OPTION <command> <value, escaped> IAC SE.
void AppendComPort(std::vector<std::uint8_t>& out, ComCmd command, const std::uint8_t* value, std::size_t size);
void AppendSetBaudRate(std::vector<std::uint8_t>& out, std::uint32_t baud);  // 4 bytes, big-endian
void AppendComPortByte(std::vector<std::uint8_t>& out, ComCmd command, std::uint8_t value);

// What the server said back to one setting.
struct TComReplies {
  std::optional<std::uint32_t> Baud;
  std::optional<std::uint8_t> DataSize;
  std::optional<std::uint8_t> Parity;
  std::optional<std::uint8_t> StopSize;
  std::optional<std::uint8_t> Control;
  std::optional<std::uint8_t> Purge;
  std::optional<std::uint8_t> LineState;   // the last NOTIFY-LINESTATE
  std::optional<std::uint8_t> ModemState;  // the last NOTIFY-MODEMSTATE
};

// The client end of the stream. Feed it what arrives; it appends the line's
// data, records the server's COM-PORT answers, and queues the answers to the
// server's negotiation in Outgoing() for the caller to send. We want BINARY
// and SGA both ways and COM-PORT-OPTION from our side; anything else offered
// or asked is declined, each option answered once per change so two
// telnet ends never loop.
class TClientDecoder {
 public:
  TClientDecoder();

  void Feed(const std::uint8_t* in, std::size_t size, std::vector<std::uint8_t>& data);

  const TComReplies& Replies() const { return FReplies; }
  // Whether the server refused COM-PORT-OPTION (DONT 44): it is no RFC 2217 server.
  bool ComPortRefused() const { return FComPortRefused; }
  // Answers to send; the caller sends and clears it.
  std::vector<std::uint8_t>& Outgoing() { return FOut; }

  // Marks an option as already asked for by us (our opening request), so
  // the server's agreement is not answered again.
  void NoteSent(std::uint8_t verb, std::uint8_t option);

 private:
  enum class State : std::uint8_t { Data, Iac, Verb, Sub, SubIac };
  void OnVerb(std::uint8_t verb, std::uint8_t option);
  void OnSub();

  State FState = State::Data;
  std::uint8_t FVerb = 0;
  std::vector<std::uint8_t> FSub;
  // Per option: whether we agreed to do it (WILL sent) and to have the
  // server do it (DO sent).
  bool FWeWill[256]{};
  bool FTheyWill[256]{};
  bool FComPortRefused = false;
  TComReplies FReplies;
  std::vector<std::uint8_t> FOut;
};

}  // namespace q17::telnet
