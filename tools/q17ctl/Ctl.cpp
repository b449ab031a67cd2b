#include "Ctl.h"

#include "CtlSettings.h"

#include <algorithm>
#include <chrono>
#include <charconv>
#include <map>
#include <cstdio>
#include <optional>
#include <ostream>
#include <sstream>

#include "CtlAddressList.h"
#include "CtlDoctor.h"
#include "CtlOutput.h"
#include "CtlSettingsStrict.h"
#include "CtlSurvey.h"
#include "CtlTrace.h"
#include "link/ErrMsg.h"
#include "link/KvlInterface.h"
#include "CtlDiag.h"
#include "link/OpenFailureText.h"
#include "platform/SystemView.h"
#include "reader/AddressList.h"
#include "reader/Cp1251.h"
#include "reader/Echo.h"
#include "reader/EchoSpread.h"
#include "reader/RdrCmd.h"
#include "reader/Scan.h"
#include "reader/WholeConfig.h"
#include "settings/FileReplace.h"

#ifndef Q17_VERSION
#define Q17_VERSION "0"
#endif

namespace q17 {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: q17ctl [--port NAME] [--address N] [--timeout MS] [--trace FILE] COMMAND [ARGS]\n"
    "  --port NAME    an entry of the interface list, as 'q17ctl ports' prints it (default: the first)\n"
    "  --address N    reader address 1..255 (default 1); for version, set-time, write-config and\n"
    "                 restore-radio also a list such as 1,3,5-9, or 'found' (every reader of 1..254)\n"
    "  --timeout MS   per-byte time-out 20..1000 ms (default 50)\n"
    "  --trace FILE   every frame on the line, one line each, into FILE ('-': the error output)\n"
    "commands:\n"
    "  ports                      the interface list, one entry per line\n"
    "  version                    the reader's version text\n"
    "  read-config                the configuration block, tag memory times, attenuations and mode\n"
    "  set-time                   sets the reader's clock from this computer's local time\n"
    "  set-address NEW            changes the reader's bus address to NEW (1..127)\n"
    "  restore-radio --yes        sends the stored radio profile to channel 1, then channel 2\n"
    "  save-config FILE           saves the reader's configuration into the settings file FILE\n"
    "  write-config FILE          writes the settings file FILE into the reader, then reads it back to check\n"
    "  scan [FROM [TO]]           lists the readers that answer in FROM..TO (default 1..254)\n"
    "  survey [--json] [FROM [TO]]\n"
    "                             each reader of FROM..TO: version, mode, tag memory times,\n"
    "                             attenuations, 20 echo exchanges; tab-separated or a JSON array\n"
    "  doctor [PORT]              what stands between this user and the readers: groups, udev rule,\n"
    "                             adapters and their driver, ModemManager and brltty, the port's\n"
    "                             access, lock and exclusive flag; one line per check\n"
    "  echo-test [--count N] [--length L]\n"
    "                             N echo exchanges of L pattern bytes (defaults 100, 10)\n"
    "  audit [--count N] [--seconds S] [--clear] [--csv]\n"
    "                             audit mode on, one line per event until N events, S seconds\n"
    "                             or Ctrl-C; --clear empties the reader's event store first;\n"
    "                             --csv prints the list as a spreadsheet file (UTF-8, ';')\n"
    "  sensors [--count N] [--changes]\n"
    "                             the four sensor states, one line per poll; --changes: one line\n"
    "                             per sensor that changed (time, name, state), all four at first\n"
    "  radio-test [--channel 1|2] [--etalon TAG] [--test TAG] --seconds S\n"
    "                             the reader counts reads of both tags for S seconds\n"
    "  tags [--channel 1|2]       the number of tags in the channel's field and their codes\n";

struct Options {
  std::optional<std::string> port;
  int address = 1;
  // More than one reader, or "found": the command runs at each in turn.
  std::optional<TAddressList> addresses;
  int timeout = 50;
  std::optional<std::string> trace;
  std::string command;
  std::vector<std::string> args;
};

std::optional<long> ParseNumber(const std::string& text) {
  long value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

// A number within [low, high], or nothing.
std::optional<int> ParseInRange(const std::string& text, long low, long high) {
  auto value = ParseNumber(text);
  if (!value || *value < low || *value > high) return std::nullopt;
  return static_cast<int>(*value);
}

class Usage {
 public:
  explicit Usage(std::ostream& err) : err_(err) {}
  int operator()(const std::string& problem) const {
    err_ << "q17ctl: " << problem << "\n" << kUsage;
    return kExitUsage;
  }

 private:
  std::ostream& err_;
};

std::string HexBytes(const std::uint8_t* data, std::size_t size) {
  std::string text;
  char pair[4];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, "%02X", data[i]);
    if (i > 0) text += ' ';
    text += pair;
  }
  return text;
}

class Session {
 public:
  Session(const Options& o, SerialApi& serial, D2xxApi& d2xx, std::ostream& out, std::ostream& err,
          const std::function<bool()>& stopRequested)
      : o_(o), list_(serial, d2xx), out_(out), err_(err), stop_(stopRequested) {
    list_.SetReadTimeout(o.timeout);
    state_.ReaderAddress = o.address;
  }

  // Lists the interfaces and opens the chosen one at 9600 baud.
  bool OpenPort() {
    list_.Refresh();
    int index = 0;
    if (o_.port) index = list_.IndexOf(*o_.port);
    if (index < 0 || index >= list_.Count()) {
      Fail(rcBadPort);
      err_ << (list_.Count() == 0 ? std::string("no interfaces found")
                                  : "no interface named '" + o_.port.value_or("") + "'; 'q17ctl ports' lists them")
           << "\n";
      return false;
    }
    const int r = list_.Open(index, 0);
    if (r != rcOk) {
      Fail(r);
      if (const std::string why = ExplainOpenFailure(list_); !why.empty()) {
        err_ << list_.Entries()[static_cast<std::size_t>(index)].Text << ": " << why << "\n";
      }
      return false;
    }
    return true;
  }

  int Fail(int code) {
    // A stop never cuts an exchange short: a failure is the reader's or the line's.
    err_ << FormatResult(code) << "\n";
    if (list_.DeviceGone()) err_ << DeviceGoneExplanation() << "\n";
    return kExitFailed;
  }

  int Ports() {
    list_.Refresh();
    for (const auto& entry : list_.Entries()) out_ << entry.Text << "\n";
    return kExitOk;
  }

  int Version() {
    std::string version;
    if (const int r = ReadVersion(state_, list_, version); r != 0) return Fail(r);
    out_ << VisibleText(version) << "\n";
    return kExitOk;
  }

  int ReadConfigCmd() {
    if (const TConfigReadResult r = ReadWholeConfig(state_, list_); r.Code != 0) {
      Fail(r.Code);
      err_ << ReadFailureMessage(r.Failed) << "\n";
      return kExitFailed;
    }
    const TConfigBytes block = state_.Config.ToBytes();
    out_ << "BLOCK=" << HexBytes(block.data(), block.size()) << "\n"
         << "TMT_1=" << state_.TMT_1 << "\n"
         << "TMT_2=" << state_.TMT_2 << "\n"
         << "ATT_1=" << int{state_.ATT_1} << "\n"
         << "ATT_2=" << int{state_.ATT_2} << "\n"
         << "MODE=" << ModeStatusText(state_.Config.Mode) << "\n";
    return kExitOk;
  }

  int SetTime() {
    const TReaderMoment m = LocalMomentNow();
    if (const int r = SetDateTime(state_, list_, m); r != 0) return Fail(r);
    char text[64];
    std::snprintf(text, sizeof text, "TIME=%04d-%02d-%02d %02d:%02d:%02d DOW=%d", m.Year, m.Month, m.Day, m.Hour,
                  m.Minute, m.Second, m.DayOfWeek);
    out_ << text << "\n";
    return kExitOk;
  }

  int SetAddress(int newAddress) {
    if (const int r = ChangeAddress(state_, list_, newAddress); r != 0) return Fail(r);
    out_ << "ADDRESS=" << newAddress << "\n";
    return kExitOk;
  }

  int SaveConfig(const std::string& file) { return SaveConfigCmd(state_, list_, PathFromUtf8(file), out_, err_); }
  int WriteConfig(const std::string& file) {
    return WriteConfigCmd(state_, list_, PathFromUtf8(file), out_, err_, stop_);
  }

  int RestoreRadio() {
    int exitCode = kExitOk;
    for (int channel : {1, 2}) {
      if (Stopped()) {
        // The channel in progress was answered; no new one starts.
        err_ << "q17ctl: stopped; CHANNEL_" << channel << ": " << WriteOutcomeText(TWriteOutcome::NotWritten) << "\n";
        return kExitFailed;
      }
      int r = 0;
      const TWriteOutcome outcome =
          JudgeWrite(list_, [&] { return SetRadioProfile(state_, list_, RadioProfile, channel); }, r);
      out_ << "CHANNEL_" << channel << "=" << FormatResult(r) << "\n";
      if (r != 0 && Stopped()) err_ << "q17ctl: stopped; CHANNEL_" << channel << ": " << WriteOutcomeText(outcome) << "\n";
      if (r != 0) exitCode = Fail(r);
    }
    return exitCode;
  }

  // Silence alone means nobody is there: an address where something
  // answered, but not whole, is named, and fails the scan.
  int Scan(int from, int to) {
    int exitCode = kExitOk;
    ScanBus(state_, list_, from, to, [&](const TBusReply& reply) {
      switch (reply.Answer) {
        case TBusAnswer::Reader:
          out_ << ScanLine(reply.Address, VisibleText(WithoutLastCharacter(reply.Version))) << std::endl;
          break;
        case TBusAnswer::Failed:
          err_ << "Addr=" << LeftFill(std::to_string(reply.Address), 2) << ": " << FormatResult(reply.Result) << "\n";
          exitCode = kExitFailed;
          break;
        case TBusAnswer::LineGone:
          exitCode = Fail(reply.Result);
          break;
        case TBusAnswer::Silent:
          break;
      }
      return !Stopped();
    });
    return exitCode;
  }

  int EchoTest(int count, int length) {
    long good = 0;
    long errors = 0;
    int lastError = 0;
    TEchoSpread spread;
    const auto start = std::chrono::steady_clock::now();
    int done = 0;
    // An unplugged device ends the test: no later exchange could succeed.
    for (; done < count && !Stopped() && !list_.DeviceGone(); ++done) {
      // The reply overwrites the front of the payload; put the pattern back.
      FillEchoPattern(state_);
      const auto before = std::chrono::steady_clock::now();
      const int r = EchoExchange(state_, list_, length);
      spread.Add(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
      if (r == 0) {
        ++good;
      } else {
        ++errors;
        lastError = r;
      }
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    const long exchanges = good + errors;
    char ms[160];
    std::snprintf(ms, sizeof ms, "ms_per_exchange=%.3f\nmin_ms=%.3f\np50_ms=%.3f\np95_ms=%.3f\nmax_ms=%.3f\n",
                  exchanges > 0 ? elapsed.count() / static_cast<double>(exchanges) : 0.0, spread.Min(),
                  spread.Quantile(0.5), spread.Quantile(0.95), spread.Max());
    out_ << "good=" << good << "\nerrors=" << errors << "\n" << ms;
    if (lastError != 0) err_ << "last error: " << FormatResult(lastError) << "\n";
    if (list_.DeviceGone()) err_ << DeviceGoneExplanation() << "\n";
    // A script must tell a dead line from a good one by the exit code.
    return errors == 0 && done == count ? kExitOk : kExitFailed;
  }

  int Doctor(const std::string& port) {
    const auto system = MakeSystemView();
    return RunDoctor(port, list_, system.get(), out_);
  }

  int Survey(const TSurveyArgs& args) { return RunSurvey(args, list_, out_, err_, stop_); }

  // Runs `command` at each reader of the list, the state's address set to it.
  // With "found", an address where something answered the scan, but not
  // whole, gets a block of its own with that failure and is not touched.
  int ForEachAddress(const TAddressList& addresses, const std::function<int()>& command) {
    std::vector<int> targets = addresses.Addresses;
    std::map<int, int> scanFailures;
    if (addresses.Found) {
      const TFoundReaders found = FoundAddresses(state_, list_, stop_);
      if (Stopped()) {
        err_ << "q17ctl: stopped during the scan; no reader was touched\n";
        return kExitFailed;
      }
      if (found.DeviceGone) return Fail(rcPortClosed);
      targets = found.Readers;
      for (const auto& [address, code] : found.Failed) {
        scanFailures[address] = code;
        targets.push_back(address);
      }
      std::sort(targets.begin(), targets.end());
      if (targets.empty()) {
        err_ << "q17ctl: no reader answered at " << kScanFirstAddress << ".." << kScanLastAddress << "\n";
        return kExitFailed;
      }
    }
    return RunForEachAddress(
        targets, out_, err_,
        [&](int address) {
          if (const auto failed = scanFailures.find(address); failed != scanFailures.end()) {
            err_ << FormatResult(failed->second) << "\nanswered the scan, but not whole; not touched\n";
            return kExitFailed;
          }
          state_.ReaderAddress = address;
          return command();
        },
        stop_, [this] { return list_.DeviceGone(); });
  }

  void Watch(TLineObserver* observer) { list_.SetObserver(observer); }

  int Diag(const TDiagArgs& args) {
    return RunDiag(args, state_, list_, out_, err_, SystemDiagEnv(stop_));
  }

 private:
  const Options& o_;
  TInterfList list_;
  TCommandState state_;
  std::ostream& out_;
  std::ostream& err_;
  const std::function<bool()>& stop_;

  bool Stopped() const { return stop_ && stop_(); }
};

int RunCommand(Session& session, const Options& o, int newAddress, int from, int to, int count, int length,
               const TDiagArgs& diagArgs, const TSurveyArgs& surveyArgs);

}  // namespace

int RunCtl(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
           std::ostream& err, const std::function<bool()>& stopRequested) {
  const TLineClock::time_point start = TLineClock::now();
  const Usage usage(err);
  Options o;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      out << kUsage;
      return kExitOk;
    }
    if (a == "--version") {
      out << "q17ctl " << Q17_VERSION << "\n";
      return kExitOk;
    }
    if (a.rfind("--", 0) != 0) break;
    if (i + 1 >= args.size()) return usage(a + " needs a value");
    const std::string& value = args[++i];
    if (a == "--port") {
      o.port = value;
    } else if (a == "--address") {
      std::string problem;
      auto list = ParseAddressList(value, &problem);
      if (!list) return usage(problem);
      if (list->Single) {
        o.address = list->Addresses.front();
        o.addresses.reset();
      } else {
        o.addresses = std::move(*list);
      }
    } else if (a == "--timeout") {
      auto v = ParseInRange(value, 20, 1000);
      if (!v) return usage("--timeout takes 20..1000");
      o.timeout = *v;
    } else if (a == "--trace") {
      o.trace = value;
    } else {
      return usage("unknown option " + a);
    }
  }
  if (i >= args.size()) return usage("no command");
  o.command = args[i];
  o.args.assign(args.begin() + static_cast<long>(i) + 1, args.end());

  // With a list, each reader's failures are gathered before they reach err.
  std::ostream listErr(err.rdbuf());
  Session session(o, serial, d2xx, out, o.addresses ? listErr : err, stopRequested);
  const auto& a = o.args;
  if (o.addresses && !TakesAddressList(o.command)) {
    return usage(o.command + " works with one reader: --address takes a list only for version, set-time, "
                             "write-config and restore-radio");
  }
  if (o.command == "ports" || o.command == "doctor") {
    if (o.command == "ports" && !a.empty()) return usage("ports takes no arguments");
    if (o.command == "doctor" && a.size() > 1) return usage("doctor takes at most one port");
    // Neither exchanges a frame with a reader: no trace file is made.
    if (o.trace) err << "q17ctl: " << o.command << " exchanges nothing with a reader; nothing is traced\n";
    if (o.command == "ports") return session.Ports();
    return session.Doctor(a.empty() ? o.port.value_or("") : a[0]);
  }

  // Check the arguments before the port is touched.
  int newAddress = 0, from = 1, to = 254, count = 100, length = 10;
  TDiagArgs diagArgs;
  TSurveyArgs surveyArgs;
  if (o.command == "version" || o.command == "read-config" || o.command == "set-time") {
    if (!a.empty()) return usage(o.command + " takes no arguments");
  } else if (o.command == "set-address") {
    auto v = a.size() == 1 ? ParseInRange(a[0], kMinNewAddress, kMaxNewAddress) : std::nullopt;
    if (!v) return usage("set-address takes one new address, 1..127");
    newAddress = *v;
  } else if (o.command == "save-config" || o.command == "write-config") {
    if (a.size() != 1) return usage(o.command + " takes one settings file");
  } else if (o.command == "restore-radio") {
    if (a.size() != 1 || a[0] != "--yes") {
      return usage("restore-radio overwrites both channels' radio settings; confirm with --yes");
    }
  } else if (o.command == "scan") {
    if (a.size() > 2) return usage("scan takes at most FROM and TO");
    if (!a.empty()) {
      auto v = ParseInRange(a[0], 1, 254);
      if (!v) return usage("scan addresses are 1..254");
      from = *v;
    }
    if (a.size() == 2) {
      auto v = ParseInRange(a[1], 1, 254);
      if (!v) return usage("scan addresses are 1..254");
      to = *v;
    }
    if (to < from) return usage("scan: TO is below FROM");
  } else if (o.command == "survey") {
    if (const std::string problem = ParseSurveyArgs(a, surveyArgs); !problem.empty()) return usage(problem);
  } else if (o.command == "echo-test") {
    for (std::size_t k = 0; k < a.size(); k += 2) {
      if (k + 1 >= a.size()) return usage(a[k] + " needs a value");
      if (a[k] == "--count") {
        auto v = ParseInRange(a[k + 1], 1, 100000000);
        if (!v) return usage("--count takes a positive number");
        count = *v;
      } else if (a[k] == "--length") {
        auto v = ParseInRange(a[k + 1], 1, 64);
        if (!v) return usage("--length takes 1..64");
        length = *v;
      } else {
        return usage("unknown echo-test option " + a[k]);
      }
    }
  } else if (IsDiagCommand(o.command)) {
    const std::string problem = ParseDiagArgs(o.command, a, TCommandState{}, diagArgs);
    if (!problem.empty()) return usage(problem);
  } else {
    return usage("unknown command " + o.command);
  }

  if (o.trace) {
    // Before anything is opened: a trace must never land on what the
    // command reads or writes, nor on a device such as the port.
    std::vector<std::string> files;
    if (o.command == "save-config" || o.command == "write-config") files.push_back(a[0]);
    if (const std::string problem = TCtlTrace::Refusal(*o.trace, files); !problem.empty()) return usage(problem);
  }

  if (o.addresses && o.command == "write-config") {
    // A wrong file is refused once, before any reader is touched, not once per reader.
    std::ostringstream reasons;
    if (!StrictSettings(a[0], reasons)) {
      err << reasons.str();
      return kExitFailed;
    }
  }

  TCtlTrace trace(stopRequested);
  if (o.trace && !trace.Open(*o.trace, err, start)) return kExitFailed;
  // A trace on the error output has taken err over; the list's own err follows it.
  listErr.rdbuf(err.rdbuf());
  session.Watch(trace.Observer());
  return trace.Finish(RunCommand(session, o, newAddress, from, to, count, length, diagArgs, surveyArgs), err);
}

int RunCtl(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
           std::ostream& err) {
  return RunCtl(args, serial, d2xx, out, err, [] { return false; });
}

namespace {

int RunCommand(Session& session, const Options& o, int newAddress, int from, int to, int count, int length,
               const TDiagArgs& diagArgs, const TSurveyArgs& surveyArgs) {
  const auto& a = o.args;
  if (!session.OpenPort()) return kExitFailed;
  if (o.addresses) {
    return session.ForEachAddress(*o.addresses, [&] {
      if (o.command == "version") return session.Version();
      if (o.command == "set-time") return session.SetTime();
      if (o.command == "write-config") return session.WriteConfig(a[0]);
      return session.RestoreRadio();
    });
  }
  if (o.command == "survey") return session.Survey(surveyArgs);
  if (o.command == "version") return session.Version();
  if (o.command == "read-config") return session.ReadConfigCmd();
  if (o.command == "set-time") return session.SetTime();
  if (o.command == "set-address") return session.SetAddress(newAddress);
  if (o.command == "restore-radio") return session.RestoreRadio();
  if (o.command == "save-config") return session.SaveConfig(a[0]);
  if (o.command == "write-config") return session.WriteConfig(a[0]);
  if (o.command == "scan") return session.Scan(from, to);
  if (IsDiagCommand(o.command)) return session.Diag(diagArgs);
  return session.EchoTest(count, length);
}

}  // namespace

}  // namespace q17
