// q17_exporter's figures (not a test: they depend on the machine).
//
//  line    a probe of 30 readers at 9600 baud beside `q17ctl survey` of the
//          same range on the same paced q17sim: the time each takes per byte
//          that crossed the line (from q17sim's trace). Goal: within 5 %.
//  buses   50 buses, each a paced q17sim of 5 readers behind ser2net, probed
//          at once by one exporter, beside the slowest bus probed alone.
//          Goal: the whole scrape within 1.2x.
//  memory  the exporter's resident memory when idle and after 10,000 probes.
//          Goal: under 15 MB, and flat.
//
//   exporter_bench [line|buses|memory]...   (default: all three)
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/ChildProcess.h"
#include "support/HttpClient.h"
#include "support/Ser2net.h"

namespace {

using q17::test::ChildProcess;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string Dir() {
  char name[] = "/tmp/q17-exporter-bench.XXXXXX";
  return mkdtemp(name) ? name : "/tmp";
}

bool StartSim(ChildProcess& sim, std::vector<std::string> args, std::string& pty) {
  args.insert(args.begin(), Q17SIM_PATH);
  return sim.Start(args, {}, true, true) && sim.ReadLine(pty, 20000);
}

std::vector<std::string> Readers(int count) {
  std::vector<std::string> args;
  for (int a = 1; a <= count; ++a) args.insert(args.end(), {"--reader", std::to_string(a)});
  return args;
}

// The exporter on a free port with a configuration of one module.
struct Exporter {
  ChildProcess process;
  int port = 0;

  bool Start(const std::string& dir, const std::string& addresses, const std::vector<std::string>& targets) {
    const std::string config = dir + "/q17.yml";
    std::ofstream out(config);
    out << "modules:\n  gates:\n    addresses: " << addresses << "\ntargets:\n";
    for (const std::string& t : targets) out << "  - " << t << "\n";
    out.close();
    if (!process.Start({Q17_EXPORTER_PATH, "--config.file=" + config, "--web.listen-address=127.0.0.1:0"}, {}, true)) {
      return false;
    }
    const std::string said = "listening on 127.0.0.1:";
    for (int i = 0; i < 800 && port == 0; ++i) {
      std::string ignored;
      process.ReadLine(ignored, 25);
      const auto at = process.Err().find(said);
      if (at != std::string::npos) port = std::atoi(process.Err().c_str() + at + said.size());
    }
    return port != 0;
  }

  q17::test::HttpReply Probe(const std::string& target) {
    return q17::test::Get(port, "/probe?target=" + q17::test::UrlEncode(target) + "&module=gates",
                          {"X-Prometheus-Scrape-Timeout-Seconds: 60"});
  }

  long RssKb() const {
    std::ifstream status("/proc/" + std::to_string(process.Pid()) + "/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
  }
};

// The bytes on the line in a piece of q17sim's trace: each request (its
// frame is the data and 8 bytes around it, escapes aside) and each reply.
struct Traffic {
  long exchanges = 0;
  long bytes = 0;
};
Traffic CountTraffic(const std::string& trace) {
  Traffic t;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    const auto req = line.find("] req ");
    if (req != std::string::npos) {
      const auto open = line.find("data=[");
      const auto close = line.find(']', open);
      const std::string data = line.substr(open + 6, close - open - 6);
      t.bytes += 8 + static_cast<long>(std::count(data.begin(), data.end(), ' ') + (data.empty() ? 0 : 1));
      ++t.exchanges;
    } else if (line.find("] reply code=") != std::string::npos) {
      const std::string hex = line.substr(line.find(": ") + 2);
      t.bytes += static_cast<long>(std::count(hex.begin(), hex.end(), ' ') + 1);
    }
  }
  return t;
}

std::string FileFrom(const std::string& file, std::size_t from) {
  std::ifstream in(file, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(from));
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int Line(const std::string& dir) {
  ChildProcess sim;
  std::string pty;
  // The trace goes to a file: a pipe nobody reads during a run would stop the simulator.
  const std::string trace = dir + "/trace";
  std::string command = std::string("exec ") + Q17SIM_PATH + " --baud 9600 --request-wait --trace";
  for (const std::string& a : Readers(30)) command += " " + a;
  if (!sim.Start({"/bin/sh", "-c", command + " 2>" + trace}, {}, false, true) || !sim.ReadLine(pty, 20000)) return 2;
  const auto traceSize = [&] { return FileFrom(trace, 0).size(); };
  Exporter exporter;
  if (!exporter.Start(dir, "1-30", {pty})) return 2;

  std::vector<double> surveyPerByte, probePerByte;
  Traffic survey, probe;
  double surveySeconds = 0, probeSeconds = 0;
  for (int run = 0; run < 3; ++run) {
    std::size_t mark = traceSize();
    const auto t0 = Clock::now();
    const q17::test::RunResult r =
        q17::test::RunProgram({Q17CTL_PATH, "--port", pty, "survey", "1", "30"}, {"SETUPQ17_PORTS=" + pty});
    surveySeconds = Seconds(t0);
    if (r.exitCode != 0) {
      std::fprintf(stderr, "exporter_bench: q17ctl survey exited %d: %s\n", r.exitCode, r.err.c_str());
      return 2;
    }
    survey = CountTraffic(FileFrom(trace, mark));
    mark = traceSize();
    const auto t1 = Clock::now();
    const q17::test::HttpReply reply = exporter.Probe(pty);
    probeSeconds = Seconds(t1);
    if (reply.body.find("q17_probe_success 1\n") == std::string::npos) {
      std::fprintf(stderr, "exporter_bench: the probe failed:\n%s\n", reply.body.c_str());
      return 2;
    }
    probe = CountTraffic(FileFrom(trace, mark));
    surveyPerByte.push_back(surveySeconds / static_cast<double>(survey.bytes));
    probePerByte.push_back(probeSeconds / static_cast<double>(probe.bytes));
  }
  const double wire = 10.0 / 9600;  // seconds a byte takes on the line
  const double s = Median(surveyPerByte), p = Median(probePerByte);
  std::printf("line: q17ctl survey 1 30: %.2f s, %ld exchanges, %ld bytes on the line, %.3f ms/byte (%.1f %% over the wire's %.3f)\n",
              surveySeconds, survey.exchanges, survey.bytes, s * 1000, (s / wire - 1) * 100, wire * 1000);
  std::printf("line: exporter probe of 1-30: %.2f s, %ld exchanges, %ld bytes on the line, %.3f ms/byte (%.1f %% over the wire's)\n",
              probeSeconds, probe.exchanges, probe.bytes, p * 1000, (p / wire - 1) * 100);
  std::printf("line: the probe per byte is %+.1f %% of the survey's (goal: within 5 %%)\n", (p / s - 1) * 100);
  return std::abs(p / s - 1) <= 0.05 ? 0 : 1;
}

int Buses(const std::string& dir) {
  constexpr int kBuses = 50;
  std::vector<std::unique_ptr<ChildProcess>> sims;
  std::vector<std::string> ptys;
  for (int i = 0; i < kBuses; ++i) {
    sims.push_back(std::make_unique<ChildProcess>());
    std::string pty;
    std::vector<std::string> args = {"--baud", "9600", "--request-wait", "--no-stdin"};
    for (const std::string& a : Readers(5)) args.push_back(a);
    args.insert(args.begin(), Q17SIM_PATH);
    if (!sims.back()->Start(args, {}, false) || !sims.back()->ReadLine(pty, 20000)) return 2;
    ptys.push_back(pty);
  }
  // One ser2net, a raw accepter in front of each bus.
  std::vector<int> ports;
  std::ofstream yaml(dir + "/ser2net.yaml");
  for (int i = 0; i < kBuses; ++i) {
    ports.push_back(q17::test::FreePort());
    yaml << "connection: &bus" << i << "\n  accepter: tcp,127.0.0.1," << ports.back() << "\n  connector: serialdev,"
         << ptys[static_cast<std::size_t>(i)] << ",9600n81,local\n  options:\n    chardelay: false\n";
  }
  yaml.close();
  ChildProcess server;
  if (!server.Start({q17::test::kSer2net, "-n", "-u", "-c", dir + "/ser2net.yaml", "-P", dir + "/ser2net.pid"}, {},
                    true)) {
    return 2;
  }
  for (int i = 0; i < 800 && !std::all_of(ports.begin(), ports.end(), q17::test::Listening); ++i) {
    std::string ignored;
    server.ReadLine(ignored, 25);
  }
  std::vector<std::string> targets;
  for (const int p : ports) targets.push_back("tcp://127.0.0.1:" + std::to_string(p));
  Exporter exporter;
  if (!exporter.Start(dir, "1-5", targets)) return 2;

  // Each bus alone, one after the other.
  double slowest = 0;
  for (const std::string& t : targets) {
    const auto t0 = Clock::now();
    if (exporter.Probe(t).body.find("q17_probe_success 1\n") == std::string::npos) {
      std::fprintf(stderr, "exporter_bench: the probe of %s failed\n", t.c_str());
      return 2;
    }
    slowest = std::max(slowest, Seconds(t0));
  }
  // All at once, as Prometheus scrapes fifty targets of one job.
  std::vector<std::thread> scrapes;
  std::atomic<int> good{0};
  const auto t0 = Clock::now();
  for (const std::string& t : targets) {
    scrapes.emplace_back([&, t] {
      if (exporter.Probe(t).body.find("q17_probe_success 1\n") != std::string::npos) ++good;
    });
  }
  for (std::thread& s : scrapes) s.join();
  const double together = Seconds(t0);
  std::printf("buses: %d buses of 5 readers behind ser2net: the slowest alone %.3f s, all %d at once %.3f s (%d good), "
              "%.2fx (goal: 1.2x at most)\n",
              kBuses, slowest, kBuses, together, good.load(), together / slowest);
  return good == kBuses && together <= 1.2 * slowest ? 0 : 1;
}

int Memory(const std::string& dir) {
  ChildProcess sim;
  std::string pty;
  if (!StartSim(sim, {"--reader", "1", "--reader", "2"}, pty)) return 2;
  Exporter exporter;
  if (!exporter.Start(dir, "1-2", {pty})) return 2;
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const long idle = exporter.RssKb();
  std::printf("memory: idle %.1f MB\n", idle / 1024.0);
  long last = idle;
  const auto t0 = Clock::now();
  for (int n = 1; n <= 10000; ++n) {
    if (exporter.Probe(pty).body.find("q17_probe_success 1\n") == std::string::npos) {
      std::fprintf(stderr, "exporter_bench: probe %d failed\n", n);
      return 2;
    }
    if (n % 2500 == 0) {
      last = exporter.RssKb();
      std::printf("memory: after %5d probes %.1f MB (%.0f probes/s)\n", n, last / 1024.0, n / Seconds(t0));
    }
  }
  return last < 15 * 1024 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> parts(argv + 1, argv + argc);
  if (parts.empty()) parts = {"line", "buses", "memory"};
  int status = 0;
  for (const std::string& part : parts) {
    const std::string dir = Dir();
    const int r = part == "line" ? Line(dir) : part == "buses" ? Buses(dir) : part == "memory" ? Memory(dir) : 2;
    std::fflush(stdout);
    if (r == 2) std::fprintf(stderr, "exporter_bench: %s could not be measured\n", part.c_str());
    status = std::max(status, r);
  }
  return status;
}
