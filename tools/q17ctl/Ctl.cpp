#include "Ctl.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

#include "CtlAddressList.h"
#include "CtlDiag.h"
#include "CtlDoctor.h"
#include "CtlMetrics.h"
#include "CtlOutput.h"
#include "CtlSettings.h"
#include "CtlSettingsStrict.h"
#include "CtlSurvey.h"
#include "CtlTrace.h"
#include "link/ErrMsg.h"
#include "link/KvlInterface.h"
#include "link/OpenFailureText.h"
#include "platform/NetPortName.h"
#include "platform/SystemView.h"
#include "reader/AddressList.h"
#include "reader/Cp1251.h"
#include "reader/Echo.h"
#include "reader/EchoSpread.h"
#include "reader/NumberText.h"
#include "reader/RdrCmd.h"
#include "reader/Scan.h"
#include "reader/WholeConfig.h"
#include "settings/FileReplace.h"
#include "settings/SettingsFile.h"

#ifndef Q17_VERSION
#define Q17_VERSION "0"
#endif

namespace q17 {
namespace {

constexpr const char* kUsageHead =
    "usage: q17ctl [--port NAME] [--address N] [--timeout MS] [--trace FILE] COMMAND [ARGS]\n"
    "  --port NAME    an entry of the interface list, as 'q17ctl ports' prints it (default: the first),\n"
    "                 or a serial server's tcp://HOST:PORT or rfc2217://HOST:PORT; survey takes several\n"
    "                 --port, one bus each, surveyed at once\n"
    "  --address N    reader address 1..255 (default 1); for version, set-time, write-config,\n"
    "                 restore-radio and metrics also a list such as 1,3,5-9, or 'found' (every\n"
    "                 reader of 1..254; not for metrics)\n"
    "  --timeout MS   per-byte time-out 20..1000 ms (default 50)\n"
    "  --trace FILE   every frame on the line, one line each, into FILE ('-': the error output)\n"
    "commands:\n";

// Where a command's help begins in the usage text.
constexpr std::size_t kHelpColumn = 29;

struct Options {
  std::optional<std::string> port;
  std::vector<std::string> ports;  // every --port, in order
  int address = 1;
  // More than one reader, or "found": the command runs at each in turn.
  std::optional<TAddressList> addresses;
  int timeout = 50;
  std::optional<std::string> trace;
  std::string command;
  std::vector<std::string> args;
};

// What a command's arguments came to, checked before the port is touched.
struct TCtlArgs {
  int NewAddress = 0;
  int From = kScanFirstAddress;
  int To = kScanLastAddress;
  int Count = 100;
  int Length = 10;
  std::string SettingsFile;  // save-config, write-config: a trace never goes there
  std::string Port;          // doctor
  TDiagArgs Diag;
  TSurveyArgs Survey;
  TMetricsArgs Metrics;
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

// What is wrong with a port's name meant as a network port's, or nothing.
std::string NetNameRefusal(const std::string& option, const std::string& name) {
  if (!HasNetScheme(name)) return {};
  const TNetNameCheck check = CheckNetPortName(name);
  if (check.Name) return {};
  return option + " '" + VisibleText(name) + "': " + NetNameProblemText(check.Problem);
}

// One key for every spelling of a port: a server's port whatever its
// scheme's or its name's case and the port number's zeros; a local port as
// the system finds it (on Windows in any case).
std::string PortKey(const std::string& name) {
  std::string key;
  if (const auto net = ParseNetPortName(name)) {
    for (const char c : net->Host) key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return "[" + key + "]:" + std::to_string(net->Port);
  }
  key = name;
#ifdef _WIN32
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
#endif
  return key;
}

class Session {
 public:
  Session(const Options& o, SerialApi& serial, D2xxApi& d2xx, std::ostream& out, std::ostream& err,
          const std::function<bool()>& stopRequested, const StopSignal* portStop)
      : o_(o),
        serial_(serial),
        list_(serial, d2xx),
        out_(out),
        err_(err),
        stop_(stopRequested),
        portStop_(portStop) {
    list_.SetReadTimeout(o.timeout);
    state_.ReaderAddress = o.address;
  }

  // Lists the interfaces and finds the chosen one: -1 when there is none.
  int PortIndex() {
    list_.Refresh();
    int index = 0;
    // A network port is reached by its name; no system lists it.
    // The name as the program writes it: "TCP://h:04001" is tcp://h:4001.
    if (o_.port) {
      const auto net = ParseNetPortName(*o_.port);
      index = net ? list_.AddNetworkPort(FormatNetPortName(*net)) : list_.IndexOf(*o_.port);
    }
    return index >= 0 && index < list_.Count() ? index : -1;
  }

  // Lists the interfaces and opens the chosen one at 9600 baud.
  bool OpenPort() {
    const int index = PortIndex();
    if (index < 0) {
      Fail(rcBadPort);
      err_ << (list_.Count() == 0 ? std::string("no interfaces found") : NoSuchPort(o_.port.value_or(""))) << "\n";
      return false;
    }
    const int r = list_.Open(index, 0);
    if (r != rcOk) {
      // A stop ended the open: the server was not at fault.
      if (portStop_ && Stopped()) {
        err_ << "q17ctl: stopped before the port was open\n";
        return false;
      }
      Fail(r);
      if (const std::string why = ExplainOpenFailure(list_); !why.empty()) {
        err_ << list_.Entries()[static_cast<std::size_t>(index)].Text << ": " << why << "\n";
      }
      return false;
    }
    return true;
  }

  // An exchange that a stop cut short is told as the stop, not as the reader's failure.
  int Fail(int code) {
    if (CutByStop(code)) {
      err_ << kStoppedBeforeAnswer << "\n";
      return kExitFailed;
    }
    return PrintFailure(err_, code, {}, &list_);
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
      if (CutByStop(r.Code)) return Fail(r.Code);
      return PrintFailure(err_, r.Code, ReadFailureMessage(r.Failed), &list_);
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

  int SaveConfig(const std::string& file) {
    return SaveConfigCmd(state_, list_, PathFromUtf8(file), out_, err_, portStop_ ? stop_ : kNoStop);
  }
  int WriteConfig(const std::string& file) {
    return WriteConfigCmd(state_, list_, PathFromUtf8(file), out_, err_, stop_, portStop_ != nullptr);
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
      if (r != 0 && CutByStop(r)) {
        // Cut by the stop: whether the reader took it is not known.
        err_ << "q17ctl: stopped; CHANNEL_" << channel << ": " << WriteOutcomeText(outcome) << "\n";
        return kExitFailed;
      }
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
          if (CutByStop(reply.Result)) break;  // the stop's, not the reader's
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
    TEchoTally tally;
    const auto start = std::chrono::steady_clock::now();
    int done = 0;
    // An unplugged device ends the test: no later exchange could succeed.
    for (; done < count && !Stopped() && !list_.DeviceGone(); ++done) {
      // The reply overwrites the front of the payload; put the pattern back.
      FillEchoPattern(state_);
      const auto before = std::chrono::steady_clock::now();
      const int r = EchoExchange(state_, list_, length);
      if (r != 0 && CutByStop(r)) break;  // cut by the stop: not the line's error
      tally.Record(r, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    const long exchanges = tally.Exchanges();
    char ms[40];
    std::snprintf(ms, sizeof ms, "ms_per_exchange=%.3f\n",
                  exchanges > 0 ? elapsed.count() / static_cast<double>(exchanges) : 0.0);
    out_ << "good=" << tally.Good << "\nerrors=" << tally.Errors << "\n" << ms;
    // The spread is of good exchanges only; with none its values stay empty.
    const TEchoSpread& spread = tally.Spread;
    const std::pair<const char*, double> figures[] = {{"min_ms", spread.Min()},
                                                      {"p50_ms", spread.Quantile(0.5)},
                                                      {"p95_ms", spread.Quantile(0.95)},
                                                      {"max_ms", spread.Max()}};
    for (const auto& [name, value] : figures) {
      char figure[48] = "";
      if (!spread.Empty()) std::snprintf(figure, sizeof figure, "%.3f", value);
      out_ << name << "=" << figure << "\n";
    }
    if (list_.DeviceGone()) {
      Fail(rcPortClosed);
    } else if (tally.LastError != 0) {
      err_ << "last error: " << FormatResult(tally.LastError) << "\n";
    }
    // A script must tell a dead line from a good one by the exit code.
    return tally.Errors == 0 && done == count ? kExitOk : kExitFailed;
  }

  // PORT, else --port.
  int Doctor(const std::string& port) {
    const auto system = MakeSystemView();
    return RunDoctor(port.empty() ? o_.port.value_or("") : port, list_, system.get(),
                     system ? serial_.ListSerialPorts() : std::vector<TSerialPortInfo>{}, out_);
  }

  int Survey(const TSurveyArgs& args) { return RunSurvey(args, list_, out_, err_, stop_); }

  // The probe opens the port itself: one that does not open is a failed probe, printed as such.
  int Metrics(const TMetricsArgs& args) {
    if (o_.addresses && o_.addresses->Found) {
      err_ << "q17ctl: metrics takes the addresses to probe (1,3,5-9), not 'found'\n";
      return kExitUsage;
    }
    const std::vector<int> addresses = o_.addresses ? o_.addresses->Addresses : std::vector<int>{o_.address};
    const int index = PortIndex();
    const std::string name = index >= 0 ? list_.Entries()[static_cast<std::size_t>(index)].Text : o_.port.value_or("");
    return RunMetrics(args, list_, index, name, addresses, out_, err_, stop_);
  }

  // Runs `command` at each reader of the list, the state's address set to it.
  // With "found", an address where something answered the scan, but not
  // whole, gets a block of its own with that failure and is not touched.
  int ForEachAddress(const TAddressList& addresses, const std::function<int()>& command) {
    std::vector<int> targets = addresses.Addresses;
    TFoundReaders found;
    if (addresses.Found) {
      found = ScanFound(state_, list_, stop_);
      if (Stopped()) {
        err_ << "q17ctl: stopped during the scan; no reader was touched\n";
        return kExitFailed;
      }
      if (found.DeviceGone) return Fail(rcPortClosed);
      targets = found.Targets();
      if (targets.empty()) {
        err_ << "q17ctl: no reader answered at " << kScanFirstAddress << ".." << kScanLastAddress << "\n";
        return kExitFailed;
      }
    }
    return RunForEachAddress(
        targets, out_, err_,
        [&](int address) {
          if (const auto code = found.NotWhole(address)) {
            return PrintFailure(err_, *code, "answered the scan, but not whole; not touched");
          }
          state_.ReaderAddress = address;
          return command();
        },
        stop_, [this] { return list_.DeviceGone(); });
  }

  void Watch(TLineObserver* observer) { list_.SetObserver(observer); }

  int Diag(const TDiagArgs& args) {
    TDiagEnv env = SystemDiagEnv(stop_);
    // The clean-up after a stop must reach the reader: the port does not
    // watch the stop meanwhile. The exchange the stop cut may still be
    // answered: a packet number of its own keeps that late reply from
    // passing for the clean-up's, and the clean-up (switching something off
    // twice does no harm) is asked once more when the reply got in its way.
    if (portStop_) {
      env.CleanUp = [this](const std::function<int()>& exchange) {
        serial_.SetStopSignal(nullptr);
        const bool afterStop = Stopped();
        if (afterStop) list_.SkipPacketNo();
        int r = exchange();
        if (afterStop && (r == rcBadPacketNo || r == rcTimeout) && !list_.DeviceGone()) {
          list_.SkipPacketNo();
          r = exchange();
        }
        serial_.SetStopSignal(portStop_);
        return r;
      };
    }
    return RunDiag(args, state_, list_, out_, err_, env);
  }

 private:
  const Options& o_;
  SerialApi& serial_;
  TInterfList list_;
  TCommandState state_;
  std::ostream& out_;
  std::ostream& err_;
  const std::function<bool()>& stop_;
  const StopSignal* portStop_;  // what the port watches for the run; nullptr: nothing

  bool Stopped() const { return stop_ && stop_(); }
  // Whether a failed exchange is what the stop made of it: the port watches
  // the stop, and it came.
  bool CutByStop(int code) const { return portStop_ && portStop_->Requested() && IsCutByStop(code); }

  static inline const std::function<bool()> kNoStop{};

  // What to say of a --port that names nothing listed.
  std::string NoSuchPort(const std::string& name) const {
    std::string text = "no interface named '" + VisibleText(name) + "'";
    if (!name.empty() && (std::isspace(static_cast<unsigned char>(name.front())) ||
                          std::isspace(static_cast<unsigned char>(name.back())))) {
      return text + " (a blank at its start or end?); 'q17ctl ports' lists them";
    }
    return text + "; 'q17ctl ports' lists them";
  }
};


// One command of q17ctl: what the usage and the manual page say of it, and
// how it is checked and run.
struct TCtlCommand {
  const char* Name;
  const char* Synopsis;  // its arguments, as the usage shows them
  const char* Help;      // the usage's text, lines split by '\n'
  const char* Manual;    // the manual page's paragraph (roff)
  bool TakesAddressList;
  bool OpensPort;
  // The problem with the arguments, or an empty text.
  std::string (*Check)(const std::string& name, const std::vector<std::string>& args, TCtlArgs& parsed);
  int (*Run)(Session& session, const TCtlArgs& parsed);
};

std::string NoArguments(const std::string& name, const std::vector<std::string>& a, TCtlArgs&) {
  return a.empty() ? "" : name + " takes no arguments";
}

std::string OneSettingsFile(const std::string& name, const std::vector<std::string>& a, TCtlArgs& p) {
  if (a.size() != 1 || a[0].empty()) return name + " takes one settings file";
  p.SettingsFile = a[0];
  return {};
}

std::string DiagArguments(const std::string& name, const std::vector<std::string>& a, TCtlArgs& p) {
  return ParseDiagArgs(name, a, TCommandState{}, p.Diag);
}

int Diag(Session& s, const TCtlArgs& p) { return s.Diag(p.Diag); }

const TCtlCommand kCommands[] = {
    {"ports", "", "the interface list, one entry per line",
     "The interface list, one entry per line: the readers' FTDI adapters first,\n"
     "then the serial devices, then the paths named in\n"
     ".BR SETUPQ17_PORTS .\n",
     false, false,
     [](const std::string&, const std::vector<std::string>& a, TCtlArgs&) -> std::string {
       return a.empty() ? "" : "ports takes no arguments";
     },
     [](Session& s, const TCtlArgs&) { return s.Ports(); }},
    {"version", "", "the reader's version text", "The reader's version text.\n", true, true, NoArguments,
     [](Session& s, const TCtlArgs&) { return s.Version(); }},
    {"read-config", "", "the configuration block, tag memory times, attenuations and mode",
     ".B BLOCK=\n"
     "and the 16 bytes of the configuration block, then\n"
     ".BR TMT_1= ,\n"
     ".BR TMT_2= ,\n"
     ".BR ATT_1= ,\n"
     ".B ATT_2=\n"
     "and\n"
     ".BR MODE= .\n",
     false, true, NoArguments, [](Session& s, const TCtlArgs&) { return s.ReadConfigCmd(); }},
    {"set-time", "", "sets the reader's clock from this computer's local time",
     "Sets the reader's clock from this computer's local time.\n", true, true, NoArguments,
     [](Session& s, const TCtlArgs&) { return s.SetTime(); }},
    {"set-address", "NEW", "changes the reader's bus address to NEW (1..127)",
     "Changes the reader's bus address to NEW (1..127).\n", false, true,
     [](const std::string&, const std::vector<std::string>& a, TCtlArgs& p) -> std::string {
       const auto v = a.size() == 1 ? ParseNumberIn(a[0], kMinNewAddress, kMaxNewAddress) : std::nullopt;
       if (!v) return "set-address takes one new address, 1..127";
       p.NewAddress = static_cast<int>(*v);
       return {};
     },
     [](Session& s, const TCtlArgs& p) { return s.SetAddress(p.NewAddress); }},
    {"restore-radio", "--yes", "sends the stored radio profile to channel 1, then channel 2",
     "Sends the stored radio profile to channel 1, then channel 2.\n", true, true,
     [](const std::string&, const std::vector<std::string>& a, TCtlArgs&) -> std::string {
       if (a.size() != 1 || a[0] != "--yes") {
         return "restore-radio overwrites both channels' radio settings; confirm with --yes";
       }
       return {};
     },
     [](Session& s, const TCtlArgs&) { return s.RestoreRadio(); }},
    {"save-config", "FILE", "saves the reader's configuration into the settings file FILE",
     "Reads the reader's configuration and saves it into the settings file FILE.\n", false, true,
     OneSettingsFile, [](Session& s, const TCtlArgs& p) { return s.SaveConfig(p.SettingsFile); }},
    {"write-config", "FILE", "writes the settings file FILE into the reader, then reads it back to check",
     "Writes the settings file FILE into the reader, then reads it back and fails\n"
     "unless the reader holds what was written.\n",
     true, true, OneSettingsFile, [](Session& s, const TCtlArgs& p) { return s.WriteConfig(p.SettingsFile); }},
    {"scan", "[FROM [TO]]", "lists the readers that answer in FROM..TO (default 1..254)",
     "One line\n"
     ".BI Addr= NN\n"
     "with the version per reader that answers (default 1..254).\n"
     "Only silence means that nobody is there: an address where something\n"
     "answered, but not whole (a damaged, refused, late or cut reply), is named\n"
     "on standard error with its error, and the scan exits 1.\n",
     false, true,
     [](const std::string&, const std::vector<std::string>& a, TCtlArgs& p) -> std::string {
       if (a.size() > 2) return "scan takes at most FROM and TO";
       int* ends[] = {&p.From, &p.To};
       for (std::size_t k = 0; k < a.size(); ++k) {
         const auto v = ParseNumberIn(a[k], kScanFirstAddress, kScanLastAddress);
         if (!v) return "scan addresses are 1..254";
         *ends[k] = static_cast<int>(*v);
       }
       if (p.To < p.From) return "scan: TO is below FROM";
       return {};
     },
     [](Session& s, const TCtlArgs& p) { return s.Scan(p.From, p.To); }},
    {"survey", "[--json] [FROM [TO]]",
     "each reader of FROM..TO: version, mode, tag memory times,\n"
     "attenuations, 20 echo exchanges; tab-separated or a JSON array",
     "Scans the range and, for each reader found, reads its version, configuration,\n"
     "tag memory times and attenuations and runs 20 echo exchanges; prints a header\n"
     "and one tab\\-separated line per reader (addr, version, mode, tmt1, tmt2, att1,\n"
     "att2, echo_errors, echo_p95_ms, error), or one JSON array with\n"
     ".BR \\-\\-json .\n"
     "An address that answered the scan, but not whole, is a line with its error.\n"
     "Exits 1 when any had an error, and when nothing answered at all.\n",
     false, true,
     [](const std::string&, const std::vector<std::string>& a, TCtlArgs& p) { return ParseSurveyArgs(a, p.Survey); },
     [](Session& s, const TCtlArgs& p) { return s.Survey(p.Survey); }},
    {"doctor", "[PORT]",
     "what stands between this user and the readers: groups, udev rule,\n"
     "adapters and their driver, ModemManager and brltty, the port's\n"
     "access, lock and exclusive flag; for tcp:// and rfc2217:// the\n"
     "server reachable, RFC 2217 accepted, no other client; one line per check",
     "Checks what stands between this user and the readers (groups, the udev rule,\n"
     "the kernel's driver, programs that grab serial adapters, the port's lock;\n"
     "for a network port the server reachable, RFC 2217 accepted and no other\n"
     "client holding the port) and prints one line per check with\n"
     ".BR ok ,\n"
     ".B warning\n"
     "or\n"
     ".B problem\n"
     "and what to do.\n"
     "Exits 0 when nothing is a problem.\n",
     false, false,
     [](const std::string&, const std::vector<std::string>& a, TCtlArgs& p) -> std::string {
       if (a.size() > 1) return "doctor takes at most one port";
       if (!a.empty()) p.Port = a[0];
       if (const std::string problem = NetNameRefusal("doctor", p.Port); !problem.empty()) return problem;
       return {};
     },
     [](Session& s, const TCtlArgs& p) { return s.Doctor(p.Port); }},
    {"echo-test", "[--count N] [--length L]", "N echo exchanges of L pattern bytes (defaults 100, 10)",
     "N echo exchanges of L pattern bytes (defaults 100 and 10); prints the counts\n"
     "of good and failed exchanges and the spread of single exchanges.\n"
     "Exits 1 when any exchange failed.\n",
     false, true,
     [](const std::string&, const std::vector<std::string>& a, TCtlArgs& p) -> std::string {
       for (std::size_t k = 0; k < a.size(); k += 2) {
         if (k + 1 >= a.size()) return a[k] + " needs a value";
         if (a[k] == "--count") {
           const auto v = ParseNumberIn(a[k + 1], 1, 100000000);
           if (!v) return "--count takes a positive number";
           p.Count = static_cast<int>(*v);
         } else if (a[k] == "--length") {
           const auto v = ParseNumberIn(a[k + 1], 1, 64);
           if (!v) return "--length takes 1..64";
           p.Length = static_cast<int>(*v);
         } else {
           return "unknown echo-test option " + a[k];
         }
       }
       return {};
     },
     [](Session& s, const TCtlArgs& p) { return s.EchoTest(p.Count, p.Length); }},
    {"audit", "[--count N] [--seconds S] [--clear] [--csv]",
     "audit mode on, one line per event until N events, S seconds\n"
     "or Ctrl-C; --clear empties the reader's event store first;\n"
     "--csv prints the list as a spreadsheet file (UTF-8, ';')",
     "Switches audit mode on and prints one line per event until N events,\n"
     "S seconds or Ctrl\\-C; audit mode is always switched off again.\n"
     ".B \\-\\-clear\n"
     "first empties the reader's event store;\n"
     ".B \\-\\-csv\n"
     "prints the events as a spreadsheet file (UTF\\-8, fields split by ';').\n",
     false, true, DiagArguments, Diag},
    {"sensors", "[--count N] [--changes]",
     "the four sensor states, one line per poll; --changes: one line\n"
     "per sensor that changed (time, name, state), all four at first",
     "The four sensor states, one line per poll, five polls a second;\n"
     "with\n"
     ".B \\-\\-changes\n"
     "only when a state changes.\n",
     false, true, DiagArguments, Diag},
    {"radio-test", "[--channel 1|2] [--etalon TAG] [--test TAG] --seconds S",
     "the reader counts reads of both tags for S seconds",
     "The reader counts the reads of a reference and a test tag for S seconds;\n"
     "prints\n"
     ".BI etalon= N\n"
     ".BI test= M\\fR.\n",
     false, true, DiagArguments, Diag},
    {"metrics", "[--settings FILE] [--openmetrics]",
     "the exporter's probe of the --address list as metrics text: version,\n"
     "sensors, tags in field, one echo; with --settings, the configuration\n"
     "compared with FILE; only reads are sent",
     "Probes the readers of the\n"
     ".B \\-\\-address\n"
     "list as q17_exporter does (version, sensor states, tags in the fields, one\n"
     "echo; with\n"
     ".B \\-\\-settings\n"
     "the configuration compared with FILE) and prints the metrics in the\n"
     "Prometheus text format, or OpenMetrics with\n"
     ".BR \\-\\-openmetrics ,\n"
     "for node_exporter's textfile collector. Only commands that read are sent.\n"
     "A port that does not open is printed as a failed probe. Exits 1 when the\n"
     "probe failed.\n",
     true, false,
     [](const std::string&, const std::vector<std::string>& a, TCtlArgs& p) { return ParseMetricsArgs(a, p.Metrics); },
     [](Session& s, const TCtlArgs& p) { return s.Metrics(p.Metrics); }},
    {"tags", "[--channel 1|2]", "the number of tags in the channel's field and their codes",
     "The number of tags in the channel's field, then each tag code.\n", false, true, DiagArguments, Diag},
};

const TCtlCommand* FindCommand(const std::string& name) {
  for (const TCtlCommand& c : kCommands) {
    if (name == c.Name) return &c;
  }
  return nullptr;
}

// "version, set-time and write-config".
std::string ListTakers() {
  std::vector<std::string> names;
  for (const TCtlCommand& c : kCommands) {
    if (c.TakesAddressList) names.emplace_back(c.Name);
  }
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
    text += names[i];
  }
  return text;
}

std::string UsageText() {
  std::string text = kUsageHead;
  for (const TCtlCommand& c : kCommands) {
    std::string head = std::string("  ") + c.Name + (*c.Synopsis != '\0' ? std::string(" ") + c.Synopsis : "");
    // A long synopsis gets a line of its own.
    head = head.size() < kHelpColumn ? head + std::string(kHelpColumn - head.size(), ' ')
                                     : head + "\n" + std::string(kHelpColumn, ' ');
    std::istringstream help(c.Help);
    bool first = true;
    for (std::string line; std::getline(help, line); first = false) {
      text += (first ? head : std::string(kHelpColumn, ' ')) + line + "\n";
    }
  }
  return text;
}

// A word of a synopsis in roff: a placeholder (FILE, N) in italics, the rest bold.
std::string RoffWord(const std::string& word) {
  const bool placeholder =
      std::all_of(word.begin(), word.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
  std::string escaped;
  for (char c : word) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
  return (placeholder ? "\\fI" : "\\fB") + escaped + "\\fR";
}

class Usage {
 public:
  explicit Usage(std::ostream& err) : err_(err) {}
  int operator()(const std::string& problem) const {
    err_ << "q17ctl: " << problem << "\n" << UsageText();
    return kExitUsage;
  }

 private:
  std::ostream& err_;
};

int RunCommand(Session& session, const Options& o, const TCtlCommand& command, const TCtlArgs& parsed);

}  // namespace

std::string CtlManCommands() {
  std::string text;
  for (const TCtlCommand& c : kCommands) {
    text += ".TP\n" + RoffWord(c.Name);
    const std::string synopsis = c.Synopsis;
    if (!synopsis.empty()) text += ' ';
    std::string word;
    for (std::size_t k = 0; k <= synopsis.size(); ++k) {
      const char ch = k < synopsis.size() ? synopsis[k] : '\0';
      if (ch == '[' || ch == ']' || ch == '|' || ch == ' ' || ch == '\0') {
        if (!word.empty()) text += RoffWord(word);
        word.clear();
        if (ch != '\0') text += ch;
      } else {
        word += ch;
      }
    }
    text += "\n";
    text += c.Manual;
  }
  return text;
}

std::vector<TCtlSynopsis> CtlSynopses() {
  std::vector<TCtlSynopsis> list;
  for (const TCtlCommand& c : kCommands) list.push_back({c.Name, c.Synopsis});
  return list;
}

namespace {

int RunCtlStoppedBy(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
                    std::ostream& err, const std::function<bool()>& stopRequested, const StopSignal* portStop) {
  const TLineClock::time_point start = TLineClock::now();
  const Usage usage(err);
  Options o;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      out << UsageText();
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
      if (const std::string problem = NetNameRefusal("--port", value); !problem.empty()) return usage(problem);
      for (const std::string& before : o.ports) {
        if (PortKey(before) == PortKey(value)) {
          return usage("--port '" + VisibleText(value) + "' names the port of --port '" + VisibleText(before) +
                       "' again: each bus once");
        }
      }
      o.port = value;
      o.ports.push_back(value);
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
      const auto v = ParseNumberIn(value, 20, 1000);
      if (!v) return usage("--timeout takes 20..1000");
      o.timeout = static_cast<int>(*v);
    } else if (a == "--trace") {
      o.trace = value;
    } else {
      return usage("unknown option " + a);
    }
  }
  if (i >= args.size()) return usage("no command");
  o.command = args[i];
  o.args.assign(args.begin() + static_cast<long>(i) + 1, args.end());

  // Output that cannot be written (its reader gone, a full disk) ends the
  // command as a stop does: nothing after it would be seen. Windows tells a
  // closed pipe only by a failed write.
  const std::function<bool()> stop = [&out, &stopRequested] {
    return !out.good() || (stopRequested && stopRequested());
  };
  // With a list, each reader's failures are gathered before they reach err.
  std::ostream listErr(err.rdbuf());
  Session session(o, serial, d2xx, out, o.addresses ? listErr : err, stop, portStop);
  const TCtlCommand* command = FindCommand(o.command);
  if (o.addresses && (!command || !command->TakesAddressList)) {
    return usage(o.command + " works with one reader: --address takes a list only for " + ListTakers());
  }
  if (!command) return usage("unknown command " + o.command);
  // Check the arguments before the port is touched.
  TCtlArgs parsed;
  if (const std::string problem = command->Check(o.command, o.args, parsed); !problem.empty()) return usage(problem);

  if (o.ports.size() > 1) {
    if (o.command != "survey") return usage("several --port work only with survey");
    if (o.trace) return usage("--trace works with one port at a time");
    return RunSurveyOnPorts(parsed.Survey, o.ports, serial, d2xx, o.timeout, out, err, stop);
  }

  if (!command->OpensPort) {
    // Exchanges no frame with a reader: no trace file is made.
    if (o.trace && o.command == "metrics") return usage("metrics is not traced; 'q17ctl --trace - survey' shows the line");
    if (o.trace) err << "q17ctl: " << o.command << " exchanges nothing with a reader; nothing is traced\n";
    return command->Run(session, parsed);
  }

  if (o.trace) {
    // Before anything is opened: a trace must never land on what the
    // command reads or writes, nor on a device such as the port.
    std::vector<std::string> files;
    if (!parsed.SettingsFile.empty()) files.push_back(parsed.SettingsFile);
    if (const std::string problem = TCtlTrace::Refusal(*o.trace, files); !problem.empty()) return usage(problem);
  }

  if (o.addresses && !parsed.SettingsFile.empty()) {
    // A wrong file is refused once, before any reader is touched, not once per reader.
    std::ostringstream reasons;
    if (!StrictSettings(parsed.SettingsFile, reasons)) {
      err << reasons.str();
      return kExitFailed;
    }
  }

  if (o.command == "save-config") {
    // A file that would be refused is refused before the reader is asked.
    if (const std::string why = SettingsSaveRefusal(PathFromUtf8(parsed.SettingsFile)); !why.empty()) {
      err << "q17ctl: Unable to write to " << parsed.SettingsFile << ": " << why << "\n";
      return kExitFailed;
    }
  }

  TCtlTrace trace(stopRequested);
  if (o.trace && !trace.Open(*o.trace, err, start)) return kExitFailed;
  // A trace on the error output has taken err over; the list's own err follows it.
  listErr.rdbuf(err.rdbuf());
  session.Watch(trace.Observer());
  return trace.Finish(RunCommand(session, o, *command, parsed), err);
}

}  // namespace

int RunCtl(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
           std::ostream& err, const std::function<bool()>& stopRequested) {
  return RunCtlStoppedBy(args, serial, d2xx, out, err, stopRequested, nullptr);
}

int RunCtl(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
           std::ostream& err, const StopSignal& stop) {
  return RunCtl(args, serial, d2xx, out, err, stop, stop);
}

int RunCtl(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
           std::ostream& err, const StopSignal& steps, const StopSignal& port) {
  serial.SetStopSignal(&port);
  const int code = RunCtlStoppedBy(args, serial, d2xx, out, err, [&steps] { return steps.Requested(); }, &port);
  serial.SetStopSignal(nullptr);
  return code;
}

int RunCtl(const std::vector<std::string>& args, SerialApi& serial, D2xxApi& d2xx, std::ostream& out,
           std::ostream& err) {
  return RunCtl(args, serial, d2xx, out, err, [] { return false; });
}

namespace {

int RunCommand(Session& session, const Options& o, const TCtlCommand& command, const TCtlArgs& parsed) {
  if (!session.OpenPort()) return kExitFailed;
  if (o.addresses) return session.ForEachAddress(*o.addresses, [&] { return command.Run(session, parsed); });
  return command.Run(session, parsed);
}

}  // namespace

}  // namespace q17
