// q17_exporter: the readers watched by Prometheus. Reads its configuration,
// listens, and serves until SIGINT or SIGTERM (Ctrl-C or closing the console
// on Windows); SIGHUP reads the configuration again, keeping the one in use
// when the new one has a problem.
#include <atomic>
#include <csignal>
#include <iostream>
#include <memory>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#endif

#include "ExporterConfig.h"
#include "ExporterFlags.h"
#include "HttpServer.h"
#include "ProbeService.h"
#include "platform/Console.h"
#include "platform/StopSignal.h"
#include "settings/FileReplace.h"

#ifndef Q17_VERSION
#define Q17_VERSION "0"
#endif

namespace {

// The exporter's stop: a flag, and on POSIX a pipe that polls readable once
// it is set, so that a port waiting for the line gives up at once.
class TExporterStop final : public q17::StopSignal {
 public:
  TExporterStop() {
#ifndef _WIN32
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fds_[0] = fds_[1] = -1;
#endif
  }
  ~TExporterStop() override {
#ifndef _WIN32
    for (const int fd : fds_) {
      if (fd >= 0) close(fd);
    }
#endif
  }
  void Request() {
    if (requested_.exchange(true)) return;
#ifndef _WIN32
    if (fds_[1] >= 0) {
      const char byte = 1;
      [[maybe_unused]] const auto n = write(fds_[1], &byte, 1);
    }
#endif
  }
  bool Requested() const override { return requested_; }
  int WaitDescriptor() const override { return fds_[0]; }

 private:
  std::atomic<bool> requested_{false};
  int fds_[2] = {-1, -1};
};

std::shared_ptr<const q17::TExporterConfig> Load(const std::string& file) {
  std::string error;
  auto config = q17::LoadExporterConfig(q17::PathFromUtf8(file), error);
  if (!config) {
    std::cerr << "q17_exporter: " << error << std::endl;
    return nullptr;
  }
  return std::make_shared<const q17::TExporterConfig>(std::move(*config));
}

#ifdef _WIN32
std::atomic<q17::TExporterHttp*> gServer{nullptr};
std::atomic<TExporterStop*> gStop{nullptr};
BOOL WINAPI OnConsoleEvent(DWORD) {
  if (TExporterStop* stop = gStop.load()) stop->Request();
  if (q17::TExporterHttp* server = gServer.load()) server->Stop();
  return TRUE;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = q17::CommandLineArguments(argc, argv);
  q17::TExporterFlags flags;
  if (const std::string problem = q17::ParseExporterFlags(args, flags); !problem.empty()) {
    std::cerr << "q17_exporter: " << problem << "\n" << q17::ExporterUsage();
    return 2;
  }
  if (flags.Help) {
    std::cout << q17::ExporterUsage();
    return 0;
  }
  if (flags.Version) {
    std::cout << "q17_exporter " << Q17_VERSION << "\n";
    return 0;
  }

#ifndef _WIN32
  // Signals are taken by one thread of ours, never by a worker in a system call.
  sigset_t signals;
  sigemptyset(&signals);
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, s);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
#endif

  auto config = Load(flags.ConfigFile);
  if (!config) return 1;

  TExporterStop stop;
  auto serial = q17::MakeSystemSerialApi();
  serial->SetStopSignal(&stop);
  q17::TExporterStats stats;
  q17::TProbeService service(*serial, stats, 64, [&stop] { return stop.Requested(); });
  service.SetConfig(config);
  q17::TExporterHttp http(service, stats, Q17_VERSION);
  std::string error;
  const int port = http.Bind(flags.ListenHost, flags.ListenPort, error);
  if (port < 0) {
    std::cerr << "q17_exporter: " << error << std::endl;
    return 1;
  }
  std::cerr << "q17_exporter: listening on " << flags.ListenHost << ":" << port << " (" << flags.ConfigFile << ")"
            << std::endl;

#ifdef _WIN32
  gStop = &stop;
  gServer = &http;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  const bool served = http.Run();
  gServer = nullptr;
  int exitCode = served || stop.Requested() ? 0 : 1;
#else
  std::thread signalThread([&] {
    for (;;) {
      int signal = 0;
      if (sigwait(&signals, &signal) != 0) continue;
      if (signal == SIGHUP) {
        if (auto fresh = Load(flags.ConfigFile)) {
          service.SetConfig(std::move(fresh));
          std::cerr << "q17_exporter: configuration read again" << std::endl;
        } else {
          std::cerr << "q17_exporter: keeping the configuration in use" << std::endl;
        }
        continue;
      }
      stop.Request();
      service.WakeAll();
      http.Stop();
      return;
    }
  });
  const bool served = http.Run();
  int exitCode = served || stop.Requested() ? 0 : 1;
  if (!stop.Requested()) {
    // Run ended by itself: the signal thread still waits.
    stop.Request();
    pthread_kill(signalThread.native_handle(), SIGTERM);
  }
  signalThread.join();
#endif
  std::cerr << "q17_exporter: stopped" << std::endl;
  return exitCode;
}
