#include "CtlSurvey.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <ostream>
#include <sstream>
#include <thread>

#include "CtlOutput.h"
#include "link/ErrMsg.h"
#include "link/OpenFailureText.h"
#include "platform/NetPortName.h"
#include "reader/NumberText.h"
#include "reader/ReaderConfig.h"
#include "reader/Scan.h"
#include "reader/SurveyTable.h"

namespace q17 {
namespace {

std::string Milliseconds(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", ms);
  return text;
}

template <typename T>
std::string NumberOr(const std::optional<T>& value, const char* missing) {
  return value ? std::to_string(+*value) : missing;
}

// Control characters, C1 ones included, escaped as well: the array is often
// read on a terminal, and a reader's text must not drive it.
std::string JsonString(const std::string& utf8) {
  std::string text = "\"";
  char escaped[8];
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    const auto u = static_cast<unsigned char>(c);
    const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0u;
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (u < 0x20 || u == 0x7F) {
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      text += escaped;
    } else if (u == 0xC2 && next >= 0x80 && next <= 0x9F) {
      std::snprintf(escaped, sizeof escaped, "\\u%04x", next);
      text += escaped;
      ++i;
    } else {
      text += c;
    }
  }
  return text + "\"";
}

std::string ModeName(const TSurveyRecord& r) { return r.Mode ? ModeStatusText(*r.Mode) : ""; }
// No figures for echoes that never went out.
std::string EchoErrors(const TSurveyRecord& r, const char* missing) {
  return r.EchoSent > 0 ? std::to_string(r.EchoErrors) : missing;
}
std::string ErrorText(const TSurveyRecord& r) { return r.ErrorCode != 0 ? FormatResult(r.ErrorCode) : ""; }

}  // namespace

std::string ParseSurveyArgs(const std::vector<std::string>& args, TSurveyArgs& parsed) {
  std::vector<std::string> range;
  for (const auto& a : args) {
    if (a == "--json") {
      parsed.Json = true;
    } else if (a.rfind("--", 0) == 0) {
      return "unknown survey option " + a;
    } else {
      range.push_back(a);
    }
  }
  if (range.size() > 2) return "survey takes at most FROM and TO";
  int* ends[] = {&parsed.From, &parsed.To};
  for (std::size_t k = 0; k < range.size(); ++k) {
    const auto v = ParseNumberIn(range[k], kScanFirstAddress, kScanLastAddress);
    if (!v) return "survey addresses are 1..254";
    *ends[k] = static_cast<int>(*v);
  }
  if (parsed.To < parsed.From) return "survey: TO is below FROM";
  return {};
}

std::string SurveyHeader() { return "addr\tversion\tmode\ttmt1\ttmt2\tatt1\tatt2\techo_errors\techo_p95_ms\terror"; }

std::string SurveyLine(const TSurveyRecord& r) {
  // The window's columns, texts and all.
  std::string line;
  for (const std::string& field : SurveyFields(r)) line += (line.empty() ? "" : "\t") + field;
  return line;
}

std::string SurveyJson(const TSurveyRecord& r) {
  return "{\"addr\": " + std::to_string(r.Address) + ", \"version\": " + (r.Version ? JsonString(*r.Version) : "null") +
         ", \"mode\": " + (r.Mode ? JsonString(ModeName(r)) : "null") + ", \"tmt1\": " + NumberOr(r.TMT_1, "null") +
         ", \"tmt2\": " + NumberOr(r.TMT_2, "null") + ", \"att1\": " + NumberOr(r.ATT_1, "null") +
         ", \"att2\": " + NumberOr(r.ATT_2, "null") + ", \"echo_errors\": " + EchoErrors(r, "null") +
         ", \"echo_p95_ms\": " + (r.EchoP95Ms ? Milliseconds(*r.EchoP95Ms) : "null") +
         ", \"error\": " + JsonString(ErrorText(r)) + "}";
}

int RunSurvey(const TSurveyArgs& args, TInterfList& link, std::ostream& out, std::ostream& err,
              const std::function<bool()>& stop) {
  const auto start = std::chrono::steady_clock::now();
  TSurveyEnv env;
  env.NowMs = [start] {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  };
  env.StopRequested = stop;
  bool anyError = false;
  bool first = true;
  // Each reader is printed as soon as it is done: a long survey shows progress.
  out << (args.Json ? "[" : SurveyHeader() + "\n") << std::flush;
  const TSurveyTotals totals = Survey(link, args.From, args.To, env, [&](const TSurveyRecord& r) {
    anyError = anyError || r.ErrorCode != 0;
    if (args.Json) {
      out << (first ? "\n  " : ",\n  ") << SurveyJson(r) << std::flush;
    } else {
      out << SurveyLine(r) << std::endl;
    }
    first = false;
    return true;
  });
  if (args.Json) out << (first ? "]\n" : "\n]\n");
  if (totals.DeviceGone) return PrintFailure(err, rcPortClosed, {}, &link);
  if (totals.Answered == 0 && !(stop && stop())) {
    // A dead line is no success.
    err << "q17ctl: no reader answered at " << args.From << ".." << args.To << "\n";
    return kExitFailed;
  }
  return anyError ? kExitFailed : kExitOk;
}

namespace {

// One bus's survey, done on its own thread.
struct TBusSurvey {
  std::string Port;
  std::vector<TSurveyRecord> Records;
  std::string Failure;  // why the bus gave no or not all records; empty when it did
  bool AnyError = false;
};

void SurveyBus(const TSurveyArgs& args, TInterfList& link, int index, TBusSurvey& bus,
               const std::function<bool()>& stop) {
  if (index < 0) {
    bus.Failure = "q17ctl: no interface named '" + VisibleText(bus.Port) + "'; 'q17ctl ports' lists them";
    return;
  }
  if (const int r = link.Open(index, 0); r != rcOk) {
    // A stop ended the open: the server was not at fault.
    if (stop && stop()) return;
    bus.Failure = bus.Port + ": " + FormatResult(r);
    if (const std::string why = ExplainOpenFailure(link); !why.empty()) bus.Failure += ": " + why;
    return;
  }
  const auto start = std::chrono::steady_clock::now();
  TSurveyEnv env;
  env.NowMs = [start] {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  };
  env.StopRequested = stop;
  const TSurveyTotals totals = Survey(link, args.From, args.To, env, [&](const TSurveyRecord& r) {
    bus.AnyError = bus.AnyError || r.ErrorCode != 0;
    bus.Records.push_back(r);
    return true;
  });
  const std::string gone = DeviceGoneExplanation(link);
  link.Close();
  if (totals.DeviceGone) {
    bus.Failure = bus.Port + ": " + gone;
  } else if (totals.Answered == 0 && !(stop && stop())) {
    bus.Failure = "q17ctl: " + bus.Port + ": no reader answered at " + std::to_string(args.From) + ".." +
                  std::to_string(args.To);
  }
}

}  // namespace

int RunSurveyOnPorts(const TSurveyArgs& args, const std::vector<std::string>& ports, SerialApi& serial,
                     D2xxApi& d2xx, int readTimeout, std::ostream& out, std::ostream& err,
                     const std::function<bool()>& stop) {
  std::vector<TBusSurvey> buses(ports.size());
  std::vector<std::unique_ptr<TInterfList>> links;
  std::vector<int> indexes;
  // The lists are made one after the other: only the surveys run at once.
  for (std::size_t i = 0; i < ports.size(); ++i) {
    buses[i].Port = ports[i];
    links.push_back(std::make_unique<TInterfList>(serial, d2xx));
    TInterfList& link = *links.back();
    link.SetReadTimeout(readTimeout);
    int index = -1;
    if (IsNetPortName(ports[i])) {
      index = link.AddNetworkPort(ports[i]);
    } else {
      link.Refresh();
      index = link.IndexOf(ports[i]);
    }
    indexes.push_back(index);
  }
  {
    std::vector<std::jthread> threads;
    for (std::size_t i = 0; i < ports.size(); ++i) {
      threads.emplace_back([&, i] { SurveyBus(args, *links[i], indexes[i], buses[i], stop); });
    }
  }
  bool failed = false;
  bool first = true;
  out << (args.Json ? "[" : "port\t" + SurveyHeader() + "\n");
  for (const TBusSurvey& bus : buses) {
    for (const TSurveyRecord& r : bus.Records) {
      if (args.Json) {
        out << (first ? "\n  " : ",\n  ") << "{\"port\": " << JsonString(bus.Port) << ", " << SurveyJson(r).substr(1);
      } else {
        out << VisibleText(bus.Port) << "\t" << SurveyLine(r) << "\n";
      }
      first = false;
    }
    failed = failed || bus.AnyError || !bus.Failure.empty();
  }
  if (args.Json) out << (first ? "]\n" : "\n]\n");
  out << std::flush;
  for (const TBusSurvey& bus : buses) {
    if (!bus.Failure.empty()) err << bus.Failure << "\n";
  }
  return failed ? kExitFailed : kExitOk;
}

}  // namespace q17
