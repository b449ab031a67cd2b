#include "reader/Probe.h"

#include <algorithm>

#include "link/ErrMsg.h"
#include "link/OpenFailureText.h"
#include "reader/AddressList.h"
#include "reader/Echo.h"

namespace q17 {
namespace {

// The link's own bound on one exchange that nobody answers, with a margin
// for the request's way out.
double SilentExchangeSeconds(const TInterfList& link) {
  return (link.ReadTimeout() + link.ReplyAllowanceMs() + 20) / 1000.0;
}

class TProbeRun {
 public:
  TProbeRun(TInterfList& link, const TProbeEnv& env)
      : link_(link), env_(env), longest_(SilentExchangeSeconds(link)) {}

  // One exchange, unless the deadline or a stop forbids it (then nothing,
  // and the run is cut short). A failure is noted as the reader's latest
  // code; a reply that came under the number of the exchange before, which
  // failed, is that one's late reply: the exchange is asked again.
  std::optional<int> Run(TProbeReader& reader, const std::function<int()>& exchange) {
    std::optional<int> r = Once(exchange);
    if (r && *r == rcBadPacketNo && previousFailed_ && !link_.DeviceGone()) r = Once(exchange);
    if (!r) return r;
    previousFailed_ = *r != 0;
    if (link_.DeviceGone()) {
      gone_ = true;
      reader.AnswerCode = rcPortClosed;
    } else if (*r != 0) {
      reader.AnswerCode = *r;
    }
    return r;
  }

  double Now() const { return env_.NowSeconds(); }
  bool CutShort() const { return cut_; }
  bool Gone() const { return gone_; }
  bool HeardAny() const { return heard_; }

 private:
  std::optional<int> Once(const std::function<int()>& exchange) {
    if (cut_ || gone_) return std::nullopt;
    if ((env_.StopRequested && env_.StopRequested()) || (env_.Deadline && Now() + longest_ > *env_.Deadline)) {
      cut_ = true;
      return std::nullopt;
    }
    const double before = Now();
    const int r = exchange();
    longest_ = std::max(longest_, Now() - before);
    heard_ = heard_ || link_.LastHeardBytes() > 0;
    // A reader slower than the time-out answers during the next exchange;
    // under a number of its own the next request cannot take that reply.
    if (r != 0) link_.SkipPacketNo();
    return r;
  }

  TInterfList& link_;
  const TProbeEnv& env_;
  double longest_;
  bool previousFailed_ = false;
  bool cut_ = false;
  bool gone_ = false;
  bool heard_ = false;
};

// The configuration reads; true when all of them went well.
bool ReadConfiguration(TProbeRun& run, TProbeReader& reader, TCommandState& s, TInterfList& link) {
  bool whole = true;
  for (const auto read : {ReadConfig, ReadTagMemTime1, ReadTagMemTime2, ReadAtten1, ReadAtten2}) {
    const std::optional<int> r = run.Run(reader, [&] { return read(s, link); });
    if (!r) return false;
    whole = whole && *r == 0;
    if (run.Gone()) return false;
  }
  return whole;
}

void ProbeOne(TProbeRun& run, TProbeReader& reader, TInterfList& link, const TExpectedConfig* expected) {
  TCommandState s;
  s.ReaderAddress = reader.Address;

  std::string version;
  const std::optional<int> first = run.Run(reader, [&] { return ReadVersion(s, link, version); });
  if (!first || run.Gone()) return;
  if (*first == 0) {
    reader.Up = true;
    reader.Version = version;
  } else if (*first == rcTimeout && link.LastHeardBytes() == 0) {
    return;  // nobody there: one time-out is enough
  }

  TSensorState sensors;
  std::optional<int> r = run.Run(reader, [&] { return ReadSensors(s, link, sensors); });
  if (!r || run.Gone()) return;
  if (*r == 0) reader.Sensors = sensors;

  r = run.Run(reader, [&] { return ReadTagCount1(s, link); });
  if (!r || run.Gone()) return;
  if (*r == 0) reader.TagsInField1 = s.TagCount1;
  r = run.Run(reader, [&] { return ReadTagCount2(s, link); });
  if (!r || run.Gone()) return;
  if (*r == 0) reader.TagsInField2 = s.TagCount2;

  if (expected) {
    const bool whole = ReadConfiguration(run, reader, s, link);
    if (run.CutShort() || run.Gone()) return;
    if (whole) {
      reader.Mismatches = ConfigMismatches(s, expected->State);
      reader.ConfigMatches = reader.Mismatches.empty();
    }
  }

  // The reply overwrites the front of the payload: the pattern goes in each time.
  FillEchoPattern(s);
  double before = 0;
  double after = 0;
  r = run.Run(reader, [&] {
    before = run.Now();
    const int code = EchoExchange(s, link, kProbeEchoLength);
    after = run.Now();
    return code;
  });
  if (r && *r == 0) reader.EchoSeconds = after - before;
}

}  // namespace

const char* ProbeFailureWord(TProbeFailure failure) {
  switch (failure) {
    case TProbeFailure::None:
      return "";
    case TProbeFailure::Busy:
      return "busy";
    case TProbeFailure::NoDevice:
      return "no_device";
    case TProbeFailure::NoAccess:
      return "no_access";
    case TProbeFailure::NotSerial:
      return "not_serial";
    case TProbeFailure::OpenFailed:
      return "open_failed";
    case TProbeFailure::NoAnswer:
      return "no_answer";
    case TProbeFailure::DeviceGone:
      return "device_gone";
    case TProbeFailure::CutShort:
      return "cut_short";
  }
  return "";
}

TProbeResult ProbeReaders(TInterfList& link, const std::vector<int>& addresses, const TExpectedConfig* expected,
                          const TProbeEnv& env, double started) {
  TProbeResult result;
  TProbeRun run(link, env);
  for (const int address : addresses) {
    if (run.CutShort() || run.Gone()) break;
    TProbeReader reader;
    reader.Address = address;
    ProbeOne(run, reader, link, expected);
    // A reader the deadline came before gets no record: nothing of it is known.
    if (run.CutShort() && reader.AnswerCode == 0 && !reader.Up) break;
    result.Readers.push_back(std::move(reader));
  }
  if (run.Gone()) {
    result.Failure = TProbeFailure::DeviceGone;
    result.Detail = DeviceGoneExplanation();
  } else if (run.CutShort()) {
    result.Failure = TProbeFailure::CutShort;
    result.Detail = std::string(env.StopRequested && env.StopRequested() ? "stopped after " : "out of time after ") +
                    std::to_string(result.Readers.size()) + " of " + std::to_string(addresses.size()) + " addresses";
  } else if (!run.HeardAny()) {
    result.Failure = TProbeFailure::NoAnswer;
    result.Detail = std::string("no reader answered at ") + AddressListText(addresses);
  }
  result.Success = result.Failure == TProbeFailure::None;
  result.DurationSeconds = run.Now() - started;
  return result;
}

TProbeResult OpenFailedProbe(const TInterfList& link, const std::string& portName, double durationSeconds) {
  TProbeResult result;
  switch (link.LastOpenFailure().Reason) {
    case OpenFailure::Busy:
    case OpenFailure::ServerBusy:
      result.Failure = TProbeFailure::Busy;
      break;
    case OpenFailure::NoDevice:
      result.Failure = TProbeFailure::NoDevice;
      break;
    case OpenFailure::PermissionDenied:
      result.Failure = TProbeFailure::NoAccess;
      break;
    case OpenFailure::NotSerial:
      result.Failure = TProbeFailure::NotSerial;
      break;
    default:
      result.Failure = TProbeFailure::OpenFailed;
      break;
  }
  const std::string why = ExplainOpenFailure(link);
  result.Detail = portName + ": " + (why.empty() ? FormatResult(rcOpenError) : why);
  result.DurationSeconds = durationSeconds;
  return result;
}

std::vector<std::string> ConfigMismatches(const TCommandState& held, const TCommandState& wanted) {
  std::vector<std::string> fields;
  static constexpr const char* kNames[] = {"WCT", "WAT", "GDT", "GOT", "TST", "OPT"};
  for (int c = 0; c < 2; ++c) {
    const TChannelConfig& h = held.Config.Channel[static_cast<std::size_t>(c)];
    const TChannelConfig& w = wanted.Config.Channel[static_cast<std::size_t>(c)];
    const std::uint8_t hv[] = {h.WCT, h.WAT, h.GDT, h.GOT, h.TST, h.OPT};
    const std::uint8_t wv[] = {w.WCT, w.WAT, w.GDT, w.GOT, w.TST, w.OPT};
    for (std::size_t k = 0; k < 6; ++k) {
      if (hv[k] != wv[k]) fields.push_back(std::string(kNames[k]) + "_" + std::to_string(c + 1));
    }
  }
  if (held.TMT_1 != wanted.TMT_1) fields.emplace_back("TMT_1");
  if (held.TMT_2 != wanted.TMT_2) fields.emplace_back("TMT_2");
  if (held.ATT_1 != wanted.ATT_1) fields.emplace_back("ATT_1");
  if (held.ATT_2 != wanted.ATT_2) fields.emplace_back("ATT_2");
  return fields;
}

}  // namespace q17
