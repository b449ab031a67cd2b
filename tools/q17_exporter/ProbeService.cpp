#include "ProbeService.h"

#include <algorithm>
#include <chrono>

#ifndef _WIN32
#include <sys/stat.h>

#include <cerrno>
#endif

#include "TargetCheck.h"
#include "link/KvlInterface.h"
#include "platform/NetPortName.h"

namespace q17 {
namespace {

// The serial layer with the one port a probe opens, so that no listing of
// the system's ports (nor of USB devices) runs for each probe.
class TOnePortApi final : public SerialApi {
 public:
  TOnePortApi(SerialApi& system, std::string name) : system_(system), name_(std::move(name)) {}
  std::vector<TSerialPortInfo> ListSerialPorts() override { return {TSerialPortInfo{name_, std::nullopt}}; }
  TSerialOpen Open(const std::string& name, const TLineSettings& line) override { return system_.Open(name, line); }

 private:
  SerialApi& system_;
  std::string name_;
};

class TNoD2xx final : public D2xxApi {
 public:
  bool Available() override { return false; }
  FtStatus ListDevicesCount(std::uint32_t& count) override {
    count = 0;
    return FT_DEVICE_NOT_FOUND;
  }
  FtStatus Open(int, FtHandle&) override { return FT_DEVICE_NOT_FOUND; }
  FtStatus EeRead(FtHandle, FtEepromData&) override { return FT_INVALID_HANDLE; }
  FtStatus Close(FtHandle) override { return FT_INVALID_HANDLE; }
  FtStatus OpenEx(const std::string&, std::uint32_t, FtHandle&) override { return FT_DEVICE_NOT_FOUND; }
  FtStatus SetBaudRate(FtHandle, std::uint32_t) override { return FT_INVALID_HANDLE; }
  FtStatus SetDataCharacteristics(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t) override {
    return FT_INVALID_HANDLE;
  }
  FtStatus SetFlowControl(FtHandle, std::uint16_t, std::uint8_t, std::uint8_t) override { return FT_INVALID_HANDLE; }
  FtStatus SetTimeouts(FtHandle, std::uint32_t, std::uint32_t) override { return FT_INVALID_HANDLE; }
  FtStatus GetQueueStatus(FtHandle, std::uint32_t& rxBytes) override {
    rxBytes = 0;
    return FT_INVALID_HANDLE;
  }
  FtStatus Read(FtHandle, std::uint8_t*, std::uint32_t, std::uint32_t& bytesRead) override {
    bytesRead = 0;
    return FT_INVALID_HANDLE;
  }
  FtStatus Write(FtHandle, const std::uint8_t*, std::uint32_t, std::uint32_t& bytesWritten) override {
    bytesWritten = 0;
    return FT_INVALID_HANDLE;
  }
};

TProbeResult Failed(TProbeFailure failure, std::string detail, double duration) {
  TProbeResult result;
  result.Failure = failure;
  result.Detail = std::move(detail);
  result.DurationSeconds = duration;
  return result;
}

}  // namespace

double ProbeBudgetSeconds(double scrapeTimeoutSeconds) {
  const double timeout = std::min(scrapeTimeoutSeconds, kMaxProbeSeconds);
  return std::max(0.1, timeout - std::min(0.5, timeout / 4));
}

TProbeService::TProbeService(SerialApi& serial, TExporterStats& stats, int maxProbes, std::function<bool()> stopping)
    : serial_(serial), stats_(stats), gate_(maxProbes), stopping_(std::move(stopping)) {}

void TProbeService::SetConfig(std::shared_ptr<const TExporterConfig> config) {
  const std::lock_guard lock(configMutex_);
  config_ = std::move(config);
}

std::shared_ptr<const TExporterConfig> TProbeService::Config() const {
  const std::lock_guard lock(configMutex_);
  return config_;
}

double TProbeService::Now() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

TProbeAnswer TProbeService::Probe(const std::string& target, const std::string& moduleName,
                                  double scrapeTimeoutSeconds) {
  const double started = Now();
  TProbeAnswer answer;
  const auto refuse = [&](int status, std::string reason) {
    stats_.Refused(status);
    answer.Status = status;
    answer.Reason = std::move(reason);
    return answer;
  };
  // The configuration of this request's start holds for all of it, reloads or not.
  const std::shared_ptr<const TExporterConfig> config = Config();
  const auto module = config->Modules.find(moduleName);
  if (module == config->Modules.end()) return refuse(400, "unknown module '" + moduleName + "'");
  const TTargetCheck check = CheckTarget(target, config->Targets);
  if (check.Verdict == TTargetVerdict::BadName) return refuse(400, check.Reason);
  if (check.Verdict != TTargetVerdict::Allowed) return refuse(403, check.Reason);

  std::optional<TPortGate::Slot> slot = gate_.TakeSlot();
  if (!slot) return refuse(503, "too many probes at once; try again");
  stats_.ProbeStarted();
  const double deadline = started + ProbeBudgetSeconds(scrapeTimeoutSeconds);
  // A probe of the same port waits for the one before, as long as one
  // exchange could still follow within the deadline.
  const auto until = std::chrono::steady_clock::time_point(
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(
          deadline - (module->second.TimeoutMs + 20) / 1000.0)));
  std::optional<TPortGate::Hold> hold = gate_.HoldPort(PortKey(target), until, stopping_);
  if (!hold) {
    answer.Result = Failed(TProbeFailure::Busy,
                           stopping_() ? "the exporter is stopping" : target + ": another probe of this port is still running",
                           Now() - started);
  } else {
    answer.Result = ProbePort(target, module->second, deadline, started);
  }
  hold.reset();
  stats_.ProbeEnded();
  stats_.ProbeDone(answer.Result.Success ? "success" : ProbeFailureWord(answer.Result.Failure),
                   answer.Result.DurationSeconds);
  return answer;
}

TProbeResult TProbeService::ProbePort(const std::string& target, const TExporterModule& module, double deadline,
                                      double started) {
  const bool network = IsNetPortName(target);
#ifndef _WIN32
  if (!network && target.front() == '/') {
    // Only a character device is opened: a name that is anything else is never touched.
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
      return Failed(errno == ENOENT ? TProbeFailure::NoDevice : TProbeFailure::OpenFailed,
                    target + (errno == ENOENT ? ": no such device" : ": cannot be looked at"), Now() - started);
    }
    if (!S_ISCHR(st.st_mode)) return Failed(TProbeFailure::NotSerial, target + ": not a serial port", Now() - started);
  }
#endif
  TOnePortApi one(serial_, target);
  TNoD2xx noFtdi;
  TInterfList link(one, noFtdi);
  link.SetReadTimeout(module.TimeoutMs);
  int index = 0;
  if (network) {
    index = link.AddNetworkPort(target);
  } else {
    link.Refresh();
  }
  if (link.Open(index, 0) != 0) return OpenFailedProbe(link, target, Now() - started);
  TProbeEnv env;
  env.NowSeconds = [this] { return Now(); };
  env.Deadline = deadline;
  env.StopRequested = stopping_;
  TProbeResult result = ProbeReaders(link, module.Addresses, module.Expected ? &*module.Expected : nullptr, env, started);
  link.Close();
  result.DurationSeconds = Now() - started;
  return result;
}

}  // namespace q17
