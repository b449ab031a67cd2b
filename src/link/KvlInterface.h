#pragma once
// The list of interfaces (FTDI USB adapters, then serial ports), the one
// open port, and the request/reply transaction with a reader.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/FrameCodec.h"
#include "link/LineObserver.h"
#include "link/Port.h"
#include "link/ReplyTimer.h"
#include "link/RxSplitter.h"
#include "platform/D2xxApi.h"
#include "platform/SerialApi.h"

namespace q17 {

enum TInterfaceKind : std::int32_t { ikNone = 0, ikComPort = 1, ikFtdi = 2 };

// USB identity of the reader's adapter.
inline constexpr std::uint16_t kFtdiVendorId = 0x0403;
inline constexpr std::uint16_t kReaderProductId = 0x5A17;

struct TInterfaceDescriptor {
  TInterfaceDescriptor(std::int32_t kind, const std::string& name);
  std::int32_t Kind;
  std::string Name;  // FTDI serial number; empty for a serial port; at most 16 characters
};

class TInterfList {
 public:
  struct Entry {
    std::string Text;  // what the user sees
    TInterfaceDescriptor Descriptor;
  };

  TInterfList(SerialApi& serial, D2xxApi& d2xx);
  ~TInterfList();
  TInterfList(const TInterfList&) = delete;
  TInterfList& operator=(const TInterfList&) = delete;

  // Lists the matching FTDI devices in D2XX order, then the serial ports,
  // then the network ports added.
  void Refresh();
  // Lists a network port ("tcp://HOST:PORT", "rfc2217://HOST:PORT") from
  // now on, after the local ones, under the name as FormatNetPortName
  // writes it (so "tcp://h:04001" is "tcp://h:4001", listed once); gives its
  // index, or -1 for a name that is not a network port's. allowanceMs fixes
  // the network's share of a reply's wait for this port (clamped to
  // 0..1000); none measures it at opening. A port listed already keeps its
  // place and takes the new allowance from its next opening.
  int AddNetworkPort(const std::string& name, std::optional<int> allowanceMs = std::nullopt);
  // Takes a network port off the list; false (nothing changed) for an entry
  // that is no network port or is the open one.
  bool RemoveNetworkPort(int index);
  // Whether the entry at index is a network port, and its fixed allowance
  // (none: measured at opening, or not a network port).
  bool IsNetworkPort(int index) const;
  std::optional<int> NetworkAllowance(int index) const;
  const std::vector<Entry>& Entries() const { return FEntries; }
  int Count() const { return static_cast<int>(FEntries.size()); }
  // Index of the entry with this text, or -1. On Windows a port's name is
  // found in any case, as the system finds it.
  int IndexOf(const std::string& text) const;

  // 0 opened, 1 bad index or kind, 7 already open or the device did not open.
  int Open(int index, int baudIndex);
  // Always 0.
  int Close();

  bool Opened() const { return FPort != nullptr; }
  // Moves on at every opening and closing: what was learnt of a bus (the
  // readers a survey found) belongs to the session it was learnt in, and a
  // port closed and opened again may lead to another bus.
  std::uint32_t PortSession() const { return FPortSession; }

  // True when the open port's device has gone (unplugged): every later
  // transaction fails at once with rcPortClosed, and the owner should Close.
  bool DeviceGone() const { return FPort && FPort->Gone(); }
  // Asks the system whether the open port's device is still there; false
  // (and the handler called) when it has gone. True with no port open.
  bool CheckOpenDevice();
  // Called once per open port, at the moment a read, a write or a check
  // first finds its device gone; runs inside that call, so it must not
  // close the port itself.
  void SetDeviceGoneHandler(std::function<void()> handler) { FOnDeviceGone = std::move(handler); }
  int OpenIndex() const { return FIndex; }
  int ReadTimeout() const { return FReadTimeout; }
  // What a reply's wait adds to ReadTimeout on the open port: 0 for a local
  // port, the fixed or measured network allowance for a network port. A
  // network port's measure follows its replies' times (TReplyTimer).
  int ReplyAllowanceMs() const;
  // The longest one exchange reads before it gives up with rcTimeout although
  // bytes keep coming: the longest reply a reader may send (kMaxData bytes,
  // every byte escaped) at the open port's speed, plus ReadTimeout and the
  // allowance. What is still coming then is drained for as long again.
  int ExchangeBoundMs() const;
  // Per-byte time-out in milliseconds of silence; 20..1000, others ignored.
  void SetReadTimeout(int value);

  // Waits of the ports (reads, writes, a network port's connect and
  // negotiation) end as soon as `stop` is requested; nullptr: never. The
  // signal must outlive every later call.
  void SetStopSignal(const StopSignal* stop) { FSerial.SetStopSignal(stop); }

  // Why the last Open returned 7, for a user-facing explanation.
  const TOpenFailure& LastOpenFailure() const { return FLastOpenFailure; }

  // One request/reply exchange with the reader at the low byte of `address`.
  // `data` must hold kMaxData bytes. On 0, `code` is the reader's answer code
  // and `length` the reply's length, its bytes at the front of `data`.
  // On a network port, where lag is the rule, a failed exchange ends only
  // once the connection has been quiet for the allowance (what arrives is
  // dropped), and a reply that an earlier request under the same number
  // still owed is never taken for this one's.
  int Transaction(int address, std::uint8_t* data, std::uint16_t& code, std::uint16_t& length);

  // The one watcher of the line, or nullptr; with none the link does no
  // watching work. The observer must outlive its attachment.
  void SetObserver(TLineObserver* observer) { FObserver = observer; }
  TLineObserver* Observer() const { return FObserver; }

  // Bytes that came from the line during the last transaction, whatever
  // they made: 0 means the line stayed silent (nobody there).
  std::size_t LastHeardBytes() const { return FHeardBytes; }

  std::uint8_t PacketNo() const { return FPacketNo; }
  // Moves the packet number on without an exchange, so that a late reply to
  // a failed request cannot pass for the reply to the next one.
  void SkipPacketNo();
  // While on, the caller gives every request a number of its own (it calls
  // SkipPacketNo after each failure, as a scan does), so a late reply shows
  // whom it answers and cannot pass for the next request's: a failed
  // exchange then does not wait for quiet. Off: the number repeats.
  void SetNumberPerRequest(bool on) { FNumberPerRequest = on; }
  bool NumberPerRequest() const { return FNumberPerRequest; }
  std::uint8_t EchoPacketNo() const { return FEchoPacketNo; }
  // The address byte of the last reply heard, a wrong-numbered one too:
  // which reader sent it. A transaction itself never looks at it.
  std::uint8_t ReplyAddress() const { return FReplyAddress; }
  std::uint8_t ReplyFlags() const { return FReplyFlags; }
  // Requests always go out with flags 0; tools may exercise the two-byte forms.
  void SetRequestFlags(std::uint8_t flags) { FFlags = flags; }

  // The last request frame as written to the line.
  const std::uint8_t* LastFrame() const { return FFrame.data(); }
  std::size_t LastFrameSize() const { return FFrameLen; }

  static std::uint32_t BaudRate(int baudIndex);
  // "066-12-2914" from the EEPROM serial number; empty when it is too short.
  static std::string DeviceCode(const std::string& serialNumber);

 private:
  int Exchange(int address, std::uint8_t* data, std::uint16_t& code, std::uint16_t& length);
  void Observe(TLineEvent::TKind kind, const std::uint8_t* bytes, std::size_t size);
  int ReceiveReply(std::uint8_t* data, std::uint16_t& code, std::uint16_t& length, TLineClock::time_point sent,
                   int requestLineMs);
  enum class TFill { Data, Silent, Expired };
  // Data when FRx holds unused bytes, after a wait of up to waitMs on the
  // port if it had none; Silent when none came (or a stop ended the wait);
  // Expired when the deadline left no wait. `fresh` tells whether the bytes
  // came from the port in this call.
  TFill FillRx(int waitMs, TLineClock::time_point deadline, bool* fresh = nullptr);
  // Drops what comes until the line has been silent for one wait, for at most
  // ExchangeBoundMs; a decoder that awaits a wrong reply's address gets it.
  void DrainUntilSilent(std::size_t& budget, TReplyDecoder* decoder);
  // A failed exchange on a network port: until the connection is quiet.
  void AwaitQuiet(int result, TLineClock::time_point sent, int requestLineMs);
  bool Adaptive() const { return FNetwork && !FFixedAllowanceMs; }
  // Whether a failed exchange waits for quiet: where lag is the rule and the
  // next request repeats the number.
  bool QuietsAfterFailure() const { return FNetwork && !FNumberPerRequest; }
  int LineTimeMs(std::size_t bytes) const;
  void NoteDeviceGone();

  SerialApi& FSerial;
  D2xxApi& FD2xx;
  std::vector<Entry> FEntries;
  struct NetworkPort {
    std::string Name;
    std::optional<int> AllowanceMs;
  };
  const NetworkPort* FindNetworkPort(int index) const;
  std::vector<NetworkPort> FNetworkPorts;

  std::unique_ptr<TPort> FPort;
  std::int32_t FIndex = -1;
  std::uint32_t FPortSession = 0;
  std::int32_t FReadTimeout = 50;
  std::uint32_t FBaud = 9600;  // the open port's, for the time a frame takes on the line
  // The open port's fixed network allowance, taken at opening; none: the port's own.
  std::optional<int> FFixedAllowanceMs;
  bool FNetwork = false;  // the open port is behind a network serial server
  TReplyTimer FTimer;
  bool FNumberPerRequest = false;
  // When the requests under the current number went out that nothing
  // answered, not even in the quiet after them: their replies may still
  // come, before the reply to the next request under that number.
  std::deque<TLineClock::time_point> FUnanswered;
  TFrameBuffer FFrame{};
  std::size_t FFrameLen = 0;
  std::uint8_t FPacketNo = 0;
  std::uint8_t FEchoPacketNo = 0;
  std::uint8_t FReplyAddress = 0;
  std::uint8_t FFlags = 0;
  std::uint8_t FReplyFlags = 0;

  // Bytes taken from the port but not yet used: what follows a reply's end
  // stays here for the next transaction, as the port would have kept it.
  std::array<std::uint8_t, 512> FRx{};
  std::size_t FRxHead = 0;
  std::size_t FRxTail = 0;
  std::size_t FHeardBytes = 0;
  // Where a reply is decoded that may not be the one to keep.
  std::array<std::uint8_t, kMaxData> FScratch{};

  std::function<void()> FOnDeviceGone;
  bool FGoneNoted = false;
  TLineObserver* FObserver = nullptr;
  TRxSplitter FRxSplitter;

  TOpenFailure FLastOpenFailure;
};

}  // namespace q17
