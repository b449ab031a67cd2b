#include "CtlDiag.h"

#include <chrono>
#include <ostream>
#include <thread>

#include "CtlOutput.h"
#include "link/ErrMsg.h"
#include "reader/Audit.h"
#include "reader/RadioTest.h"
#include "reader/ReadZone.h"
#include "reader/SensorChanges.h"
#include "reader/Sensors.h"
#include "reader/NumberText.h"
#include "reader/TagText.h"

namespace q17 {
namespace {

// The windows' pace: ten 20 ms sleeps per poll.
constexpr int kPauseSlices = 10;
constexpr int kPauseSliceMs = 20;

bool ParseLong(const std::string& text, long low, long high, long& value) {
  const auto number = ParseNumberIn(text, low, high);
  if (number) value = *number;
  return number.has_value();
}

class TDiag {
 public:
  TDiag(const TDiagArgs& a, TCommandState& s, TInterfList& link, std::ostream& out, std::ostream& err,
        const TDiagEnv& env)
      : a_(a), s_(s), link_(link), out_(out), err_(err), env_(env), startMs_(env.NowMs()) {}

  // What the stop cut short is the stop's, not the reader's failure.
  bool CutByStop(int code) const { return env_.CleanUp && Stopped() && IsCutByStop(code); }

  int Fail(int code) {
    if (CutByStop(code)) {
      err_ << kStoppedBeforeAnswer << "\n";
      return kExitFailed;
    }
    return CleanUpFailed(code);
  }

  // A failure in its own words, also a clean-up's after a stop (its
  // exchange does not watch the stop); a device gone is said once, however
  // many exchanges then fail.
  int CleanUpFailed(int code) {
    if (goneTold_) return kExitFailed;
    goneTold_ = link_.DeviceGone();
    return PrintFailure(err_, code, {}, &link_);
  }

  int CleanUp(const std::function<int()>& exchange) { return env_.CleanUp ? env_.CleanUp(exchange) : exchange(); }

  bool Stopped() const { return env_.StopRequested && env_.StopRequested(); }
  bool TimeUp() const { return a_.Seconds > 0 && env_.NowMs() - startMs_ >= a_.Seconds * 1000; }

  // Ten short sleeps so a stop is noticed within one of them.
  void Pause() {
    for (int i = 0; i < kPauseSlices && !Stopped(); ++i) env_.SleepMs(kPauseSliceMs);
  }

  int Audit() {
    if (a_.Clear) {
      if (const int r = ClearAuditStore(s_, link_); r != 0) return Fail(r);
    }
    if (const int r = SetAuditMode(s_, link_, true); r != 0) {
      // A lost reply may hide a reader that did switch on.
      CleanUp([this] { return SetAuditMode(s_, link_, false); });
      return Fail(r);
    }
    // Ends at a failed poll, and at output that cannot be written before the
    // next poll takes another event out of the reader's store.
    int exitCode = kExitOk;
    long row = 1;
    if (a_.Csv) out_ << AuditCsvHeader() << std::flush;
    while (!Stopped() && !TimeUp() && (a_.Count == 0 || row <= a_.Count)) {
      std::optional<TAuditEvent> event;
      const int r = ReadAuditEvent(s_, link_, env_.LocalNow(), event);
      if (r != 0) {
        if (!CutByStop(r)) Print(AuditErrorRow(static_cast<int>(row), env_.LocalNow()));
        exitCode = Fail(r);
        break;
      }
      if (event) {
        Print(AuditRow(static_cast<int>(row++), *event));
        if (!out_) {
          exitCode = kExitFailed;
          break;
        }
      }
      Pause();
    }
    // Switched on above, so always off again, whatever ended the loop.
    if (const int r = CleanUp([this] { return SetAuditMode(s_, link_, false); }); r != 0) {
      err_ << "audit mode could not be switched off\n";
      exitCode = CleanUpFailed(r);
    }
    return exitCode;
  }

  int Sensors() {
    TSensorChangeDetector detector;
    for (long polls = 0; !Stopped() && !TimeUp() && (a_.Count == 0 || polls < a_.Count); ++polls) {
      if (polls > 0) Pause();
      if (Stopped()) break;
      TSensorState st;
      if (const int r = ReadSensors(s_, link_, st); r != 0) return Fail(r);
      if (a_.Changes) {
        PrintChanges(detector.Update(st));
        continue;
      }
      out_ << "DC1=" << OnOffText(st.DC1) << " CAR1=" << OnOffText(st.CAR1) << " DC2=" << OnOffText(st.DC2)
           << " CAR2=" << OnOffText(st.CAR2) << std::endl;
      if (!out_) return kExitFailed;  // the reason is reported with the output's
    }
    return kExitOk;
  }

  int RadioTest() {
    const TRadioStartPayload payload = RadioStartPayload(a_.Channel, a_.EtalonTag, a_.TestTag);
    if (const int r = StartRadioTest(s_, link_, payload); r != 0) {
      if (!CutByStop(r)) err_ << "ОШИБКА запуска радиотеста - проверьте подключение считывателя\n";
      Fail(r);
      // The start may have reached the reader although its reply was lost or
      // refused: never leave it counting.
      TRadioCounts ignored;
      if (const int stop = CleanUp([&] { return StopRadioTest(s_, link_, ignored); }); stop != 0) {
        err_ << "ОШИБКА остановки радиотеста - проверьте подключение считывателя\n";
        CleanUpFailed(stop);
      }
      return kExitFailed;
    }
    while (!Stopped() && !TimeUp()) {
      env_.SleepMs(kPauseSliceMs);
      // An unplug is noticed while waiting, not at the stop's exchange; no
      // stop can reach the reader then, and there is no count to print.
      if (!link_.CheckOpenDevice()) return Fail(rcPortClosed);
    }
    TRadioCounts counts;
    if (const int r = CleanUp([&] { return StopRadioTest(s_, link_, counts); }); r != 0) {
      err_ << "ОШИБКА остановки радиотеста - проверьте подключение считывателя\n";
      return CleanUpFailed(r);
    }
    out_ << "etalon=" << counts.Etalon << " test=" << counts.Test << "\n";
    return kExitOk;
  }

  int Tags() {
    std::int32_t count = 0;
    if (const int r = ReadTagCount(s_, link_, a_.Channel, count); r != 0) return Fail(r);
    out_ << "count=" << count << "\n";
    std::vector<TTagCode> tags;
    const int r = ListTags(s_, link_, a_.Channel, tags, [this] { return !Stopped(); });
    for (const auto& tag : tags) out_ << TagCodeText(tag) << "\n";
    return r == 0 ? kExitOk : Fail(r);
  }

 private:
  void PrintChanges(const std::vector<TSensorChange>& changes) {
    if (changes.empty()) return;
    std::tm local{};
    int ms = 0;
    LocalNowWithMs(local, ms);
    for (const TSensorChange& c : changes) out_ << SensorChangeLine(local, ms, c) << '\n';
    out_ << std::flush;
  }

  void Print(const TAuditRow& row) {
    if (a_.Csv) {
      out_ << AuditCsvRow(row) << std::flush;
      return;
    }
    out_ << row.Number << '\t' << row.Channel << '\t' << row.Time << '\t' << row.Tag << '\t' << row.Event
         << std::endl;
  }

  const TDiagArgs& a_;
  TCommandState& s_;
  TInterfList& link_;
  std::ostream& out_;
  std::ostream& err_;
  const TDiagEnv& env_;
  long long startMs_;
  bool goneTold_ = false;
};

}  // namespace

TDiagEnv SystemDiagEnv(TStopRequested stopRequested) {
  TDiagEnv env;
  env.StopRequested = std::move(stopRequested);
  env.SleepMs = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  env.NowMs = [] {
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now().time_since_epoch())
                                      .count());
  };
  env.LocalNow = LocalTmNow;
  return env;
}

bool IsDiagCommand(const std::string& c) { return c == "audit" || c == "sensors" || c == "radio-test" || c == "tags"; }

std::string ParseDiagArgs(const std::string& command, const std::vector<std::string>& args,
                          const TCommandState& state, TDiagArgs& p) {
  p = TDiagArgs{};
  p.Command = command;
  p.EtalonTag = state.EtalonTag;
  p.TestTag = state.TestTag;
  const bool audit = command == "audit", sensors = command == "sensors", radio = command == "radio-test";
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& name = args[k];
    if (audit && name == "--clear") {
      p.Clear = true;
      continue;
    }
    if ((audit && name == "--csv") || (sensors && name == "--changes")) {
      (audit ? p.Csv : p.Changes) = true;
      continue;
    }
    if (k + 1 >= args.size()) return name + " needs a value";
    const std::string& value = args[++k];
    long n = 0;
    if ((audit || sensors) && name == "--count") {
      if (!ParseLong(value, 1, 1000000000L, n)) return "--count takes a positive number";
      p.Count = n;
    } else if ((audit || radio) && name == "--seconds") {
      if (!ParseLong(value, 1, 86400L * 365, n)) return "--seconds takes a positive number";
      p.Seconds = n;
    } else if ((radio || command == "tags") && name == "--channel") {
      if (!ParseLong(value, 1, 2, n)) return "--channel takes 1 or 2";
      p.Channel = static_cast<int>(n);
    } else if (radio && (name == "--etalon" || name == "--test")) {
      (name == "--etalon" ? p.EtalonTag : p.TestTag) = value;
    } else {
      return "unknown " + command + " option " + name;
    }
  }
  if (radio) {
    if (p.Seconds == 0) return "radio-test needs --seconds";
    for (const std::string* tag : {&p.EtalonTag, &p.TestTag}) {
      try {
        TagPayloadBytes(*tag);
      } catch (const TConversionError&) {
        return "'" + *tag + "' is not a tag code: hexadecimal byte pairs, such as \"00 FF FF 01\"";
      }
    }
  }
  return {};
}

int RunDiag(const TDiagArgs& args, TCommandState& state, TInterfList& link, std::ostream& out, std::ostream& err,
            const TDiagEnv& env) {
  TDiag diag(args, state, link, out, err, env);
  if (args.Command == "audit") return diag.Audit();
  if (args.Command == "sensors") return diag.Sensors();
  if (args.Command == "radio-test") return diag.RadioTest();
  return diag.Tags();
}

}  // namespace q17
