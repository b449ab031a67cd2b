#include "CtlMetrics.h"

#include <chrono>
#include <optional>
#include <ostream>

#include "CtlOutput.h"
#include "reader/ProbeMetrics.h"
#include "settings/ExpectedConfig.h"
#include "settings/FileReplace.h"

namespace q17 {

std::string ParseMetricsArgs(const std::vector<std::string>& args, TMetricsArgs& parsed) {
  for (std::size_t k = 0; k < args.size(); ++k) {
    if (args[k] == "--openmetrics") {
      parsed.OpenMetrics = true;
    } else if (args[k] == "--settings") {
      if (k + 1 >= args.size() || args[k + 1].empty()) return "--settings needs a settings file";
      parsed.SettingsFile = args[++k];
    } else {
      return "unknown metrics option " + args[k];
    }
  }
  return {};
}

int RunMetrics(const TMetricsArgs& args, TInterfList& link, int index, const std::string& portName,
               const std::vector<int>& addresses, std::ostream& out, std::ostream& err,
               const std::function<bool()>& stop) {
  std::optional<TExpectedConfig> expected;
  if (!args.SettingsFile.empty()) {
    std::string problem;
    expected = LoadExpectedConfig(PathFromUtf8(args.SettingsFile), problem);
    if (!expected) {
      err << "q17ctl: " << args.SettingsFile << ": " << problem << "\n";
      return kExitFailed;
    }
  }
  const auto start = std::chrono::steady_clock::now();
  TProbeEnv env;
  env.NowSeconds = [start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  env.StopRequested = stop;

  TProbeResult result;
  if (index < 0) {
    result.Failure = TProbeFailure::NoDevice;
    result.Detail = "no interface named '" + portName + "'; 'q17ctl ports' lists them";
  } else if (link.Open(index, 0) != 0) {
    result = OpenFailedProbe(link, portName, env.NowSeconds());
  } else {
    result = ProbeReaders(link, addresses, expected ? &*expected : nullptr, env, 0);
    link.Close();
  }
  out << WriteMetrics(ProbeFamilies(result), args.OpenMetrics ? TMetricFormat::OpenMetrics : TMetricFormat::Text);
  if (result.Success) return kExitOk;
  err << "q17ctl: " << VisibleText(result.Detail) << "\n";
  return kExitFailed;
}

}  // namespace q17
