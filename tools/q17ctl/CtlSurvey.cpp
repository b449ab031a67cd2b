#include "CtlSurvey.h"

#include <chrono>
#include <cstdio>
#include <ostream>

#include "CtlOutput.h"
#include "link/ErrMsg.h"
#include "reader/NumberText.h"
#include "reader/ReaderConfig.h"
#include "reader/Scan.h"

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
  return std::to_string(r.Address) + "\t" + VisibleText(r.Version.value_or("")) + "\t" + ModeName(r) + "\t" +
         NumberOr(r.TMT_1, "") + "\t" + NumberOr(r.TMT_2, "") + "\t" + NumberOr(r.ATT_1, "") + "\t" +
         NumberOr(r.ATT_2, "") + "\t" + EchoErrors(r, "") + "\t" +
         (r.EchoP95Ms ? Milliseconds(*r.EchoP95Ms) : "") + "\t" + ErrorText(r);
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

}  // namespace q17
