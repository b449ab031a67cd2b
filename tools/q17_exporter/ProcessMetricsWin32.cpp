// The process families from the Win32 process calls, as the Go client names them.
#include <windows.h>
#include <psapi.h>

#include "ExporterStats.h"

namespace q17 {
namespace {

TMetricFamily Family(const char* name, const char* help, TMetricType type, double value) {
  TMetricFamily family{name, help, type, {}};
  family.Add(value);
  return family;
}

double Seconds(const FILETIME& t) {
  return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
}

}  // namespace

std::vector<TMetricFamily> ProcessFamilies() {
  std::vector<TMetricFamily> families;
  HANDLE self = GetCurrentProcess();
  FILETIME created{}, exited{}, kernel{}, user{};
  if (GetProcessTimes(self, &created, &exited, &kernel, &user)) {
    families.push_back(Family("process_cpu_seconds", "Total user and system processor time spent in seconds.",
                              TMetricType::Counter, Seconds(kernel) + Seconds(user)));
    // FILETIME counts from 1601.
    families.push_back(Family("process_start_time_seconds", "Start time of the process since unix epoch in seconds.",
                              TMetricType::Gauge, Seconds(created) - 11644473600.0));
  }
  PROCESS_MEMORY_COUNTERS_EX memory{};
  if (GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
    families.push_back(Family("process_resident_memory_bytes", "Resident memory size in bytes.", TMetricType::Gauge,
                              static_cast<double>(memory.WorkingSetSize)));
    families.push_back(Family("process_virtual_memory_bytes", "Virtual memory size in bytes.", TMetricType::Gauge,
                              static_cast<double>(memory.PrivateUsage)));
  }
  DWORD handles = 0;
  if (GetProcessHandleCount(self, &handles)) {
    families.push_back(Family("process_handles", "Number of handles this process has open.", TMetricType::Gauge,
                              static_cast<double>(handles)));
  }
  return families;
}

}  // namespace q17
