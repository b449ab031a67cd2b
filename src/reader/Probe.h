#pragma once
// The readers of one bus looked at for monitoring: each address of a list is
// asked its version, sensor states, tag counts and one echo, and, when the
// configuration it should hold is known, its configuration block, tag memory
// times and attenuations, which are compared with it. Only commands that
// read are sent: a probe never writes to a reader nor switches a mode on.
// The probe ends by a deadline with what it has, marked cut short.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/KvlInterface.h"
#include "reader/RdrCmd.h"
#include "reader/Sensors.h"

namespace q17 {

// The length of the probe's echo exchange.
inline constexpr int kProbeEchoLength = 10;

// What a reader should hold: the channels, tag memory times and attenuations
// of a settings file, brought into the ranges the pages allow.
struct TExpectedConfig {
  TCommandState State;
};

// One field of the configuration that differs: "WCT_1" is WCT of channel 1,
// "TMT_2" the tag memory time of channel 2.
struct TConfigMismatch {
  std::string Field;
};

struct TProbeReader {
  int Address = 0;
  // The version read got a whole reply with answer code 0.
  bool Up = false;
  // The last non-zero result of the reads (a link code or the reader's
  // answer code); 0 when every read went well.
  int AnswerCode = 0;
  std::optional<std::string> Version;  // whole, as the reader sent it (UTF-8)
  std::optional<TSensorState> Sensors;
  std::optional<int> TagsInField1;
  std::optional<int> TagsInField2;
  std::optional<double> EchoSeconds;  // one good echo exchange
  // With an expected configuration, once the whole configuration was read.
  std::optional<bool> ConfigMatches;
  std::vector<std::string> Mismatches;
};

// Why a probe failed, in a word for a label.
enum class TProbeFailure {
  None,
  Busy,          // another program, another probe or another client has the port
  NoDevice,      // no such device, or the server cannot be found
  NoAccess,      // permission denied
  NotSerial,     // the name is no serial device
  OpenFailed,    // any other reason the port did not open
  NoAnswer,      // the port opened, but no address answered at all
  DeviceGone,    // the device went during the probe
  CutShort,      // the deadline or a stop came before every address was asked
};
const char* ProbeFailureWord(TProbeFailure failure);

struct TProbeResult {
  bool Success = false;
  TProbeFailure Failure = TProbeFailure::None;
  std::string Detail;  // what went wrong, in words (UTF-8); empty on success
  double DurationSeconds = 0;
  std::vector<TProbeReader> Readers;  // the addresses asked, in order
};

struct TProbeEnv {
  // Seconds on a steady scale.
  std::function<double()> NowSeconds;
  // The probe starts no exchange that could end after this moment (on the
  // NowSeconds scale); none: no deadline.
  std::optional<double> Deadline;
  // Asked before each exchange; once true the probe ends, cut short.
  std::function<bool()> StopRequested;
};

// Probes `addresses` on the open link. `expected` (may be nullptr) adds the
// configuration reads and their comparison. Duration counts from `started`
// (on the NowSeconds scale), so that the opening of the port counts too.
TProbeResult ProbeReaders(TInterfList& link, const std::vector<int>& addresses, const TExpectedConfig* expected,
                          const TProbeEnv& env, double started);

// The result of a probe whose port did not open: why, from the link's last open.
TProbeResult OpenFailedProbe(const TInterfList& link, const std::string& portName, double durationSeconds);

// The fields in which `held` differs from `wanted`, in the settings file's order.
std::vector<std::string> ConfigMismatches(const TCommandState& held, const TCommandState& wanted);

}  // namespace q17
