#include "platform/PortHolder.h"

#include <sstream>

namespace q17 {
namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool IsPid(const std::string& entry) {
  return !entry.empty() && entry.find_first_not_of("0123456789") == std::string::npos;
}

// The first process other than `selfPid` with a descriptor on the file `key`.
std::optional<std::string> OpenerPid(const SystemView& system, const std::string& key, const std::string& selfPid) {
  for (const std::string& pid : system.List("/proc")) {
    if (!IsPid(pid) || pid == selfPid) continue;
    const std::string fds = "/proc/" + pid + "/fd";
    for (const std::string& fd : system.List(fds)) {
      const auto target = system.LinkTarget(fds + "/" + fd);
      // Only device nodes: sockets, pipes and files are not worth a look.
      if (!target || target->rfind("/dev/", 0) != 0) continue;
      const auto info = system.Info(*target);
      if (info && info->LockKey == key) return pid;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> LockHolderPid(const std::string& procLocks, const std::string& lockKey,
                                         const std::string& selfPid) {
  std::istringstream lines(procLocks);
  std::string line;
  while (std::getline(lines, line)) {
    // "1: FLOCK  ADVISORY  WRITE 1234 00:19:5 0 EOF"; "1: -> FLOCK ..." waits for one.
    std::istringstream fields(line);
    std::string id, kind, mode, access, pid, where;
    if (!(fields >> id >> kind) || (kind != "FLOCK" && kind != "POSIX" && kind != "OFDLCK")) continue;
    if (!(fields >> mode >> access >> pid >> where) || where != lockKey) continue;
    if (!selfPid.empty() && pid == selfPid) continue;
    return pid == "0" || pid == "-1" ? std::string() : pid;
  }
  return std::nullopt;
}

std::optional<std::string> ProcessName(const SystemView& system, const std::string& pid) {
  const auto comm = system.ReadText("/proc/" + pid + "/comm");
  if (!comm) return std::nullopt;
  const std::string name = Trim(*comm);
  return name.empty() ? "pid " + pid : name + ", pid " + pid;
}

std::optional<std::string> PortHolder(const SystemView& system, const std::string& device, bool flagSet,
                                      const std::string& selfPid) {
  const auto info = system.Info(device);
  if (!info) return std::nullopt;
  auto pid = LockHolderPid(system.ReadText("/proc/locks").value_or(""), info->LockKey, selfPid);
  if (!pid && flagSet) pid = OpenerPid(system, info->LockKey, selfPid);
  if (!pid) return std::nullopt;
  if (pid->empty()) return std::string();
  // A holder that ended meanwhile still held the port a moment ago.
  return ProcessName(system, *pid).value_or("pid " + *pid);
}

}  // namespace q17
