// Line benchmarks against the simulator on a pseudo-terminal: what a
// transaction costs beyond a bare poll()/read() client, how close a paced
// exchange comes to the wire time, how long a bus scan takes and what it
// costs in CPU and memory. Each figure prints one line with its target and
// PASS/MISS, followed by the raw numbers.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <fstream>
#include <string>
#include <vector>

#include "Frame.h"
#include "support/ChildProcess.h"
#include "link/ErrMsg.h"
#include "link/KvlInterface.h"
#include "platform/D2xxApi.h"
#include "platform/SerialApi.h"

#ifndef Q17SIM_PATH
#define Q17SIM_PATH "q17sim"
#endif
#ifndef Q17CTL_PATH
#define Q17CTL_PATH "q17ctl"
#endif

namespace {

using Clock = std::chrono::steady_clock;
using q17::test::ChildProcess;

// VmHWM of a running process in KiB from /proc, or -1.
long ProcPeakKiB(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

constexpr std::uint8_t kReader = 1;
constexpr std::uint16_t kEchoCommand = 200;
constexpr std::size_t kEchoLength = 10;
constexpr int kReplyWaitMs = 1000;  // the reference client's give-up bound

constexpr double kOverheadTarget = 1.5;
constexpr double kWireTarget = 1.05;
constexpr double kScanTarget = 1.03;
constexpr double kScanCpuTarget = 0.02;
constexpr int kScanFrom = 1;
constexpr int kScanTo = 254;
constexpr double kPerByteTimeoutMs = 50.0;  // q17ctl's default

struct Options {
  std::string sim = Q17SIM_PATH;
  std::string ctl = Q17CTL_PATH;
  int rounds = 20;
  int perRound = 250;
  int warmup = 200;
  int wire9600 = 100;
  int wire115200 = 1000;
  bool overhead = true;
  bool wire = true;
  bool scan = true;
  bool failOnMiss = false;
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t m = v.size() / 2;
  return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

std::string Join(const std::vector<double>& v, const char* format) {
  std::string text;
  char item[32];
  for (double x : v) {
    std::snprintf(item, sizeof item, format, x);
    if (!text.empty()) text += ' ';
    text += item;
  }
  return text;
}

const char* Verdict(bool pass) { return pass ? "PASS" : "MISS"; }

std::vector<std::uint8_t> EchoPattern() {
  std::vector<std::uint8_t> p(kEchoLength);
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = static_cast<std::uint8_t>(0x20 + i);
  return p;
}

// Frames as they go on the line come from the simulator's encoder, not the
// link's, so the reference client shares no code with what it is compared
// against. The echo reply the reader sends for each packet number:
std::vector<std::uint8_t> EchoReply(std::uint8_t packetNo) {
  return q17::sim::EncodeReply({.packetNo = packetNo, .address = kReader, .data = EchoPattern()});
}

// ---------------------------------------------------------------- the sim

struct Sim {
  ChildProcess process;
  std::string path;
};

bool StartSim(Sim& sim, const Options& o, long baud) {
  std::vector<std::string> argv{o.sim, "--no-stdin", "--reader", std::to_string(kReader)};
  if (baud > 0) {
    argv.push_back("--baud");
    argv.push_back(std::to_string(baud));
    argv.push_back("--request-wait");
  }
  if (!sim.process.Start(argv, {}, false) || !sim.process.ReadLine(sim.path, 10000) || sim.path.empty()) {
    std::fprintf(stderr, "line_bench: %s did not start (give its path with --q17sim)\n", o.sim.c_str());
    return false;
  }
  return true;
}

// ------------------------------------------------------ the program's path

class ProgramLink {
 public:
  ProgramLink() : serial_(q17::MakeSystemSerialApi()), d2xx_(q17::MakeSystemD2xxApi()), list_(*serial_, *d2xx_) {
    for (int p = 0; p < 256; ++p) replySize_[p] = EchoReply(static_cast<std::uint8_t>(p)).size();
  }

  bool Open(const std::string& path) {
    setenv("SETUPQ17_PORTS", path.c_str(), 1);
    list_.Refresh();
    const int index = list_.IndexOf(path);
    if (index < 0) {
      std::fprintf(stderr, "line_bench: %s is not in the interface list\n", path.c_str());
      return false;
    }
    const int r = list_.Open(index, 0);
    if (r != q17::rcOk) {
      std::fprintf(stderr, "line_bench: open %s: %s (%s)\n", path.c_str(), q17::FormatResult(r).c_str(),
                   list_.LastOpenFailure().Detail.c_str());
      return false;
    }
    return true;
  }
  void Close() { list_.Close(); }

  // count echo exchanges; the elapsed time, and the failures in `errors`.
  double Run(int count, long& errors) {
    const auto pattern = EchoPattern();
    std::array<std::uint8_t, q17::kMaxData> data{};
    errors = 0;
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
      std::copy(pattern.begin(), pattern.end(), data.begin());
      std::uint16_t code = kEchoCommand;
      auto length = static_cast<std::uint16_t>(kEchoLength);
      const std::uint8_t packetNo = list_.PacketNo();
      const int r = list_.Transaction(kReader, data.data(), code, length);
      requestBytes_ += list_.LastFrameSize();
      replyBytes_ += replySize_[packetNo];
      if (r != q17::rcOk || code != 0 || length != kEchoLength ||
          !std::equal(pattern.begin(), pattern.end(), data.begin())) {
        ++errors;
        lastError_ = r;
      }
    }
    return Ms(Clock::now() - start);
  }

  void ResetBytes() { requestBytes_ = replyBytes_ = 0; }
  std::uint64_t RequestBytes() const { return requestBytes_; }
  std::uint64_t ReplyBytes() const { return replyBytes_; }
  int LastError() const { return lastError_; }

 private:
  std::unique_ptr<q17::SerialApi> serial_;
  std::unique_ptr<q17::D2xxApi> d2xx_;
  q17::TInterfList list_;
  std::array<std::size_t, 256> replySize_{};
  std::uint64_t requestBytes_ = 0;
  std::uint64_t replyBytes_ = 0;
  int lastError_ = 0;
};

// ---------------------------------------------------- the reference client

// The least a client can do: write a prebuilt frame, poll() and read() until
// the reply's end byte, compare it with the expected reply.
class ReferenceClient {
 public:
  ReferenceClient() {
    for (int p = 0; p < 256; ++p) {
      const auto pn = static_cast<std::uint8_t>(p);
      requests_[p] = q17::sim::EncodeRequest(pn, kReader, kEchoCommand, EchoPattern());
      replies_[p] = EchoReply(pn);
    }
  }
  ~ReferenceClient() { Close(); }

  bool Open(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
      std::fprintf(stderr, "line_bench: open %s: %s\n", path.c_str(), std::strerror(errno));
      return false;
    }
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return false;
    cfmakeraw(&t);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd_, TCSANOW, &t) != 0) return false;
    tcflush(fd_, TCIFLUSH);
    return true;
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  double Run(int count, long& errors) {
    errors = 0;
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
      if (!Exchange()) ++errors;
    }
    return Ms(Clock::now() - start);
  }

 private:
  bool Exchange() {
    const std::vector<std::uint8_t>& request = requests_[packetNo_];
    std::size_t done = 0;
    while (done < request.size()) {
      const ssize_t n = ::write(fd_, request.data() + done, request.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, kReplyWaitMs);
      } else {
        return false;
      }
    }
    std::size_t got = 0;
    for (;;) {
      pollfd p{fd_, POLLIN, 0};
      const int ready = ::poll(&p, 1, kReplyWaitMs);
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) return false;
      const ssize_t n = ::read(fd_, rx_.data() + got, rx_.size() - got);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n <= 0) return false;
      const auto* end = std::find(rx_.data() + got, rx_.data() + got + n, q17::kReplyEnd);
      got += static_cast<std::size_t>(n);
      if (end != rx_.data() + got) {
        const std::size_t frameSize = static_cast<std::size_t>(end - rx_.data()) + 1;
        const std::vector<std::uint8_t>& expected = replies_[packetNo_];
        if (frameSize != expected.size() || !std::equal(expected.begin(), expected.end(), rx_.begin())) return false;
        ++packetNo_;
        return true;
      }
      if (got == rx_.size()) return false;
    }
  }

  int fd_ = -1;
  std::uint8_t packetNo_ = 0;
  std::array<std::vector<std::uint8_t>, 256> requests_;
  std::array<std::vector<std::uint8_t>, 256> replies_;
  std::array<std::uint8_t, 512> rx_{};
};

// ------------------------------------------------------------ measurements

struct ThreadUsage {
  double cpuUs = 0;
  long sleeps = 0;  // voluntary context switches

  static ThreadUsage Now() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return {static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e6 +
                static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec),
            u.ru_nvcsw};
  }
  ThreadUsage operator-(const ThreadUsage& b) const { return {cpuUs - b.cpuUs, sleeps - b.sleeps}; }
  ThreadUsage& operator+=(const ThreadUsage& b) {
    cpuUs += b.cpuUs;
    sleeps += b.sleeps;
    return *this;
  }
};

bool ExchangeOverhead(const Options& o, bool& pass) {
  std::printf("== 1. exchange overhead: 10-byte echoes against an unpaced q17sim\n");
  Sim sim;
  if (!StartSim(sim, o, 0)) return false;
  ProgramLink program;
  ReferenceClient reference;
  long errors = 0;
  long programErrors = 0;
  long referenceErrors = 0;

  // Both stay open for the whole run, so the rounds can be short and
  // interleaved closely: the reference opens first, before the program's
  // port takes the tty exclusively; only one of them reads at a time.
  if (!reference.Open(sim.path) || !program.Open(sim.path)) return false;
  // This thread's CPU time and sleeps per path: tells work done in the
  // process apart from time spent waiting for the simulator.
  ThreadUsage programUsage, referenceUsage;
  auto runProgram = [&](int count) {
    const ThreadUsage before = ThreadUsage::Now();
    const double ms = program.Run(count, errors);
    programUsage += ThreadUsage::Now() - before;
    programErrors += errors;
    return ms;
  };
  auto runReference = [&](int count) {
    const ThreadUsage before = ThreadUsage::Now();
    const double ms = reference.Run(count, errors);
    referenceUsage += ThreadUsage::Now() - before;
    referenceErrors += errors;
    return ms;
  };

  // Warm up both paths (page faults, caches, the simulator's own start).
  runProgram(o.warmup);
  runReference(o.warmup);
  programErrors = referenceErrors = 0;
  programUsage = referenceUsage = ThreadUsage{};

  std::vector<double> programMs, referenceMs, ratios;
  for (int round = 0; round < o.rounds; ++round) {
    // Alternate who goes first, so a slow patch of the machine hits both.
    double p = 0, r = 0;
    if (round % 2 == 0) {
      p = runProgram(o.perRound);
      r = runReference(o.perRound);
    } else {
      r = runReference(o.perRound);
      p = runProgram(o.perRound);
    }
    programMs.push_back(p / o.perRound);
    referenceMs.push_back(r / o.perRound);
    ratios.push_back(programMs.back() / referenceMs.back());
  }
  program.Close();
  reference.Close();
  const double programMedian = Median(programMs);
  const double referenceMedian = Median(referenceMs);
  // The figure pairs each program round with the reference round beside
  // it: the load of a shared machine changes the per-exchange time many
  // times over between rounds, and a pair sees the same load.
  const double ratio = Median(ratios);
  pass = ratio <= kOverheadTarget && programErrors == 0 && referenceErrors == 0;
  std::printf("exchange overhead: program/reference = %.3f (target <= %.2f) %s\n", ratio, kOverheadTarget,
              Verdict(pass));
  std::printf("  median of the %d paired round ratios; ratio of the medians %.3f\n", o.rounds,
              programMedian / referenceMedian);
  std::printf("  median ms/exchange: program %.4f, reference %.4f (%d rounds x %d exchanges, %d warm-up)\n",
              programMedian, referenceMedian, o.rounds, o.perRound, o.warmup);
  std::printf("  rounds program   ms: %s\n", Join(programMs, "%.4f").c_str());
  std::printf("  rounds reference ms: %s\n", Join(referenceMs, "%.4f").c_str());
  std::printf("  rounds ratio       : %s\n", Join(ratios, "%.3f").c_str());
  const double exchanges = static_cast<double>(o.rounds) * o.perRound;
  std::printf("  per exchange in this process: CPU (user+sys) program %.2f us, reference %.2f us; "
              "sleeps program %.2f, reference %.2f\n",
              programUsage.cpuUs / exchanges, referenceUsage.cpuUs / exchanges,
              static_cast<double>(programUsage.sleeps) / exchanges,
              static_cast<double>(referenceUsage.sleeps) / exchanges);
  std::printf("  errors: program %ld%s, reference %ld\n", programErrors,
              programErrors ? (" (last: " + q17::FormatResult(program.LastError()) + ")").c_str() : "",
              referenceErrors);
  return true;
}

bool WireEfficiencyAt(const Options& o, long baud, int count, bool withTarget, bool& pass) {
  Sim sim;
  if (!StartSim(sim, o, baud)) return false;
  ProgramLink program;
  if (!program.Open(sim.path)) return false;
  long errors = 0;
  program.Run(3, errors);  // warm-up
  program.ResetBytes();
  const double ms = program.Run(count, errors);
  program.Close();
  const double lineBytes = static_cast<double>(program.RequestBytes() + program.ReplyBytes()) / count;
  const double wireMs = lineBytes * 10.0 / static_cast<double>(baud) * 1000.0;
  const double perExchange = ms / count;
  const double ratio = perExchange / wireMs;

  // The bare client on the same line, for comparison only.
  ReferenceClient reference;
  long referenceErrors = 0;
  double referencePerExchange = 0;
  if (reference.Open(sim.path)) {
    reference.Run(3, referenceErrors);
    referencePerExchange = reference.Run(count, referenceErrors) / count;
    reference.Close();
  }

  if (withTarget) {
    pass = ratio <= kWireTarget && errors == 0;
    std::printf("wire efficiency at %ld baud: %.4f x wire time (target <= %.2f) %s\n", baud, ratio, kWireTarget,
                Verdict(pass));
  } else {
    pass = errors == 0;
    std::printf("wire efficiency at %ld baud: %.4f x wire time (no target)%s\n", baud, ratio,
                errors ? " (errors)" : "");
  }
  std::printf("  %d exchanges: %.3f ms each; wire time %.3f ms each (%.2f request + %.2f reply bytes, 10 bits a byte)\n",
              count, perExchange, wireMs, static_cast<double>(program.RequestBytes()) / count,
              static_cast<double>(program.ReplyBytes()) / count);
  std::printf("  reference client: %.3f ms each (%.4f x wire time); errors: program %ld%s, reference %ld\n",
              referencePerExchange, referencePerExchange / wireMs, errors,
              errors ? (" (last: " + q17::FormatResult(program.LastError()) + ")").c_str() : "", referenceErrors);
  return true;
}

bool WireEfficiency(const Options& o, bool& pass) {
  std::printf("== 2. wire efficiency: 10-byte echoes against a paced q17sim\n");
  bool ignored = true;
  return WireEfficiencyAt(o, 9600, o.wire9600, true, pass) && WireEfficiencyAt(o, 115200, o.wire115200, false, ignored);
}

bool ScanAndMemory(const Options& o, bool& scanPass, bool& cpuPass) {
  std::printf("== 3. scan: q17ctl scan %d %d, one reader at %d, unpaced q17sim\n", kScanFrom, kScanTo, kReader);
  Sim sim;
  if (!StartSim(sim, o, 0)) return false;
  ChildProcess ctl;
  const std::vector<std::string> argv{o.ctl, "--port", sim.path, "scan", std::to_string(kScanFrom),
                                      std::to_string(kScanTo)};
  if (!ctl.Start(argv, {"SETUPQ17_PORTS=" + sim.path}, true)) {
    std::fprintf(stderr, "line_bench: cannot start %s\n", o.ctl.c_str());
    return false;
  }
  // The peak resident size as the kernel keeps it for this process image
  // alone, sampled while it runs: a cross-check of wait4's figure, which
  // also counts what the child held between fork and exec.
  long procPeakKiB = -1;
  const int exitCode = ctl.WaitExit(50, [&] {
    const long v = ProcPeakKiB(ctl.Pid());
    if (v > 0) procPeakKiB = std::max(procPeakKiB, v);
  });
  if (exitCode != 0 || ctl.Out().find("Addr=01 [") == std::string::npos) {
    std::fprintf(stderr, "line_bench: q17ctl scan exited %d without \"Addr=01 [\"\nstdout: %s\nstderr: %s\n",
                 exitCode, ctl.Out().c_str(), ctl.Err().c_str());
    return false;
  }
  const int silent = kScanTo - kScanFrom;  // every address but the reader's
  const double wallMs = ctl.WallMs();
  const double idealMs = silent * kPerByteTimeoutMs;
  const rusage& u = ctl.Usage();
  const double userMs = static_cast<double>(u.ru_utime.tv_sec) * 1000.0 + u.ru_utime.tv_usec / 1000.0;
  const double sysMs = static_cast<double>(u.ru_stime.tv_sec) * 1000.0 + u.ru_stime.tv_usec / 1000.0;
  const double cpuShare = (userMs + sysMs) / wallMs;
  const long found = std::count(ctl.Out().begin(), ctl.Out().end(), '\n');

  scanPass = wallMs / idealMs <= kScanTarget;
  cpuPass = cpuShare < kScanCpuTarget;
  std::printf("scan time: wall / (%d x %.0f ms) = %.4f (target <= %.2f) %s\n", silent, kPerByteTimeoutMs,
              wallMs / idealMs, kScanTarget, Verdict(scanPass));
  std::printf("scan CPU: (user+sys) / wall = %.3f%% (target < %.0f%%) %s\n", cpuShare * 100.0,
              kScanCpuTarget * 100.0, Verdict(cpuPass));
  std::printf("  wall %.1f ms (ideal %.1f ms; %.3f ms per silent address), user %.1f ms, sys %.1f ms\n", wallMs,
              idealMs, wallMs / silent, userMs, sysMs);
  std::printf("  context switches: %ld voluntary, %ld involuntary; %ld line(s) found: %s", u.ru_nvcsw, u.ru_nivcsw,
              found, ctl.Out().c_str());
  if (!ctl.Out().empty() && ctl.Out().back() != '\n') std::printf("\n");

  std::printf("== 4. memory: the same q17ctl scan\n");
  std::printf("memory: peak resident size of q17ctl = %ld KiB (ru_maxrss from wait4; no target)\n", u.ru_maxrss);
  std::printf("  VmHWM of the running q17ctl image (sampled every 50 ms from /proc): %ld KiB\n", procPeakKiB);
  return true;
}

[[noreturn]] void Usage(int code) {
  std::fprintf(code ? stderr : stdout,
               "usage: line_bench [--q17sim PATH] [--q17ctl PATH] [--rounds N] [--exchanges N] [--warmup N]\n"
               "                  [--wire-9600 N] [--wire-115200 N] [--only overhead|wire|scan[,...]]\n"
               "                  [--fail-on-miss]\n"
               "  --q17sim, --q17ctl   the programs (default: the ones built beside this benchmark)\n"
               "  --rounds, --exchanges  exchange overhead: rounds and exchanges per round (20, 250)\n"
               "  --warmup N           exchange overhead: warm-up exchanges of each client (200)\n"
               "  --wire-9600, --wire-115200  exchanges for the wire efficiency (100, 1000)\n"
               "  --only LIST          run only these measurements (scan includes memory)\n"
               "  --fail-on-miss       exit 3 when a target is missed (default: report only)\n"
               "Exit status: 0 all measurements ran, 1 one could not run, 2 bad usage, 3 a miss with --fail-on-miss.\n");
  std::exit(code);
}

int PositiveArg(const char* text) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < 1 || v > 10'000'000) Usage(2);
  return static_cast<int>(v);
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") Usage(0);
    if (a == "--fail-on-miss") {
      o.failOnMiss = true;
      continue;
    }
    if (i + 1 >= argc) Usage(2);
    const char* v = argv[++i];
    if (a == "--q17sim") o.sim = v;
    else if (a == "--q17ctl") o.ctl = v;
    else if (a == "--rounds") o.rounds = PositiveArg(v);
    else if (a == "--exchanges") o.perRound = PositiveArg(v);
    else if (a == "--warmup") o.warmup = PositiveArg(v);
    else if (a == "--wire-9600") o.wire9600 = PositiveArg(v);
    else if (a == "--wire-115200") o.wire115200 = PositiveArg(v);
    else if (a == "--only") {
      const std::string list = std::string(",") + v + ",";
      o.overhead = list.find(",overhead,") != std::string::npos;
      o.wire = list.find(",wire,") != std::string::npos;
      o.scan = list.find(",scan,") != std::string::npos || list.find(",memory,") != std::string::npos;
      if (!o.overhead && !o.wire && !o.scan) Usage(2);
    } else {
      Usage(2);
    }
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = ParseOptions(argc, argv);
  signal(SIGPIPE, SIG_IGN);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);

  bool ran = true;
  bool allPass = true;
  auto record = [&](bool ok, bool pass) {
    ran = ran && ok;
    allPass = allPass && ok && pass;
  };
  if (o.overhead) {
    bool pass = false;
    const bool ok = ExchangeOverhead(o, pass);
    record(ok, pass);
  }
  if (o.wire) {
    bool pass = false;
    const bool ok = WireEfficiency(o, pass);
    record(ok, pass);
  }
  if (o.scan) {
    bool scanPass = false, cpuPass = false;
    const bool ok = ScanAndMemory(o, scanPass, cpuPass);
    record(ok, scanPass && cpuPass);
  }
  std::printf("== line_bench: %s\n", !ran ? "a measurement could not run" : allPass ? "all targets met" : "target(s) missed");
  if (!ran) return 1;
  return (!allPass && o.failOnMiss) ? 3 : 0;
}
