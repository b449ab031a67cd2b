// The process families from /proc/self, as the Go and Python clients read them.
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ExporterStats.h"

namespace q17 {
namespace {

TMetricFamily Family(const char* name, const char* help, TMetricType type, double value) {
  TMetricFamily family{name, help, type, {}};
  family.Add(value);
  return family;
}

}  // namespace

std::vector<TMetricFamily> ProcessFamilies() {
  std::vector<TMetricFamily> families;
  std::ifstream statFile("/proc/self/stat");
  std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
  // The fields after the command's name, which may hold blanks and parentheses.
  const std::size_t close = stat.rfind(')');
  if (close != std::string::npos) {
    std::istringstream fields(stat.substr(close + 2));
    std::vector<std::string> f;
    for (std::string word; fields >> word;) f.push_back(word);
    // Fields 3.. of stat(5): utime is 14, stime 15, starttime 22, vsize 23, rss 24.
    const auto at = [&](std::size_t field) { return field - 3 < f.size() ? std::stod(f[field - 3]) : 0.0; };
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    const double page = static_cast<double>(sysconf(_SC_PAGESIZE));
    families.push_back(Family("process_cpu_seconds", "Total user and system processor time spent in seconds.",
                              TMetricType::Counter, (at(14) + at(15)) / ticks));
    families.push_back(Family("process_virtual_memory_bytes", "Virtual memory size in bytes.", TMetricType::Gauge, at(23)));
    families.push_back(
        Family("process_resident_memory_bytes", "Resident memory size in bytes.", TMetricType::Gauge, at(24) * page));
    std::ifstream uptimeFile("/proc/stat");
    for (std::string line; std::getline(uptimeFile, line);) {
      if (line.rfind("btime ", 0) == 0) {
        families.push_back(Family("process_start_time_seconds",
                                  "Start time of the process since unix epoch in seconds.", TMetricType::Gauge,
                                  std::stod(line.substr(6)) + at(22) / ticks));
        break;
      }
    }
  }
  std::error_code ec;
  double open = 0;
  for (auto it = std::filesystem::directory_iterator("/proc/self/fd", ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec)) {
    ++open;
  }
  if (!ec) families.push_back(Family("process_open_fds", "Number of open file descriptors.", TMetricType::Gauge, open));
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
    families.push_back(Family("process_max_fds", "Maximum number of open file descriptors.", TMetricType::Gauge,
                              static_cast<double>(limit.rlim_cur)));
  }
  return families;
}

}  // namespace q17
