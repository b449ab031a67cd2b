// A settings file saved (every key applied to the text in memory, the file
// replaced once by rename, flushed to the disk) and loaded again.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>

#include "settings/SettingsFile.h"

namespace {

std::filesystem::path BenchFile() {
  return std::filesystem::temp_directory_path() / ("q17bench-" + std::to_string(::getpid()) + ".set");
}

void BM_SaveSettingsFile(benchmark::State& state) {
  const auto file = BenchFile();
  q17::TCommandState s;
  for (auto _ : state) {
    const auto r = q17::SaveSettingsFile(file, s, s.EtalonTag, s.TestTag, "07.12.2026 22:40:00");
    if (!r.Ok) state.SkipWithError(r.Message.c_str());
  }
  std::filesystem::remove(file);
}
BENCHMARK(BM_SaveSettingsFile)->Unit(benchmark::kMillisecond);

void BM_LoadSettingsFile(benchmark::State& state) {
  const auto file = BenchFile();
  q17::TCommandState s;
  q17::SaveSettingsFile(file, s, s.EtalonTag, s.TestTag, "07.12.2026 22:40:00");
  for (auto _ : state) benchmark::DoNotOptimize(q17::LoadSettingsFile(file, s));
  std::filesystem::remove(file);
}
BENCHMARK(BM_LoadSettingsFile)->Unit(benchmark::kMicrosecond);

}  // namespace
