// httplib.h first: on Windows it brings winsock2.h before windows.h.
#include <httplib.h>

#include "HttpServer.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>

#include "reader/ProbeMetrics.h"

#ifdef _WIN32
using TPollFd = WSAPOLLFD;
#define Q17_POLL WSAPoll
#else
#include <poll.h>
using TPollFd = pollfd;
#define Q17_POLL ::poll
#endif

namespace q17 {
namespace {

using Clock = std::chrono::steady_clock;

int MsUntil(Clock::time_point until) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1000 * 60));
}

// Whether the socket is ready for `events` within waitMs.
bool WaitSocket(socket_t sock, short events, int waitMs) {
  TPollFd fd{};
  fd.fd = sock;
  fd.events = events;
  return Q17_POLL(&fd, 1, waitMs) > 0;
}

void CloseSocket(socket_t sock) {
#ifdef _WIN32
  shutdown(sock, SD_BOTH);
  closesocket(sock);
#else
  shutdown(sock, SHUT_RDWR);
  close(sock);
#endif
}

long SendSome(socket_t sock, const char* data, std::size_t size, bool wait) {
#ifdef _WIN32
  (void)wait;
  return send(sock, data, static_cast<int>(std::min<std::size_t>(size, 1 << 20)), 0);
#else
  return ::send(sock, data, size, MSG_NOSIGNAL | (wait ? 0 : MSG_DONTWAIT));
#endif
}

void Address(const sockaddr_storage& a, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = "";
  if (a.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&a);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    port = ntohs(v4->sin_port);
  } else if (a.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&a);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    port = ntohs(v6->sin6_port);
  }
  ip = text;
}

// A connection's bytes with the bounds of one request: its head must come
// within HeadSeconds of the request's start and within MaxHeadBytes (a body,
// which no route takes, counts too).
class TGuardedStream final : public httplib::Stream {
 public:
  TGuardedStream(socket_t sock, const TWebLimits& limits) : sock_(sock), limits_(limits) {}

  void StartRequest() {
    readSoFar_ = 0;
    deadline_ = Clock::now() + std::chrono::milliseconds(static_cast<long long>(limits_.HeadSeconds * 1000));
    writeDeadline_ = Clock::time_point::max();
  }

  bool is_readable() const override {
    return bufferAt_ < bufferEnd_ || WaitSocket(sock_, POLLIN, MsUntil(deadline_));
  }
  bool is_writable() const override { return WaitSocket(sock_, POLLOUT, 5000); }

  ssize_t read(char* ptr, size_t size) override {
    if (bufferAt_ == bufferEnd_) {
      if (readSoFar_ >= static_cast<std::size_t>(limits_.MaxHeadBytes)) return -1;
      if (!WaitSocket(sock_, POLLIN, MsUntil(deadline_))) return -1;
      const auto n = recv(sock_, buffer_, sizeof buffer_, 0);
      if (n <= 0) return -1;
      bufferAt_ = 0;
      bufferEnd_ = static_cast<std::size_t>(n);
      readSoFar_ += static_cast<std::size_t>(n);
    }
    const std::size_t n = std::min(size, bufferEnd_ - bufferAt_);
    std::memcpy(ptr, buffer_ + bufferAt_, n);
    bufferAt_ += n;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    // A reader that takes nothing for 10 s is given up.
    if (writeDeadline_ == Clock::time_point::max()) writeDeadline_ = Clock::now() + std::chrono::seconds(10);
    std::size_t done = 0;
    while (done < size) {
      if (!WaitSocket(sock_, POLLOUT, MsUntil(writeDeadline_))) return done > 0 ? static_cast<ssize_t>(done) : -1;
      const long n = SendSome(sock_, ptr + done, size - done, true);
      if (n <= 0) return done > 0 ? static_cast<ssize_t>(done) : -1;
      done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    if (getpeername(sock_, reinterpret_cast<sockaddr*>(&a), &len) == 0) Address(a, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    if (getsockname(sock_, reinterpret_cast<sockaddr*>(&a), &len) == 0) Address(a, ip, port);
  }
  socket_t socket() const override { return sock_; }

  // Whether the peer has sent a byte of its next request, within waitMs.
  bool NextRequestWithin(int waitMs) const { return bufferAt_ < bufferEnd_ || WaitSocket(sock_, POLLIN, waitMs); }

 private:
  socket_t sock_;
  const TWebLimits& limits_;
  Clock::time_point deadline_{};
  Clock::time_point writeDeadline_ = Clock::time_point::max();
  std::size_t readSoFar_ = 0;
  char buffer_[4096];
  std::size_t bufferAt_ = 0;
  std::size_t bufferEnd_ = 0;
};

// Set while a connection is handled in the accepting thread because every
// worker is busy and the queue is full: it gets 503 at once.
thread_local bool tShedding = false;

// Workers for connections, with a bounded queue.
class TBoundedPool final : public httplib::TaskQueue {
 public:
  TBoundedPool(int workers, int maxQueued) : maxQueued_(static_cast<std::size_t>(maxQueued)) {
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~TBoundedPool() override = default;

  void enqueue(std::function<void()> fn) override {
    {
      std::unique_lock lock(mutex_);
      if (jobs_.size() < maxQueued_ && !stopping_) {
        jobs_.push_back(std::move(fn));
        lock.unlock();
        ready_.notify_one();
        return;
      }
    }
    tShedding = true;
    fn();
    tShedding = false;
  }

  void shutdown() override {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

 private:
  void Work() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      // Connections still queued at a stop are closed with 503, not served.
      tShedding = stopping_;
      job();
      tShedding = false;
    }
  }

  std::size_t maxQueued_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> jobs_;
  std::vector<std::thread> threads_;
  bool stopping_ = false;
};

constexpr char kBusyAnswer[] =
    "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: 34\r\n"
    "Connection: close\r\n\r\ntoo many connections; try again.\r\n";

class TGuardedServer final : public httplib::Server {
 public:
  explicit TGuardedServer(const TWebLimits& limits) : limits_(limits) {}

  // The library listens with a backlog of 5, too short for a scraper that
  // opens fifty probes at once: the system takes a longer one from a second listen.
  void WidenBacklog() {
    if (svr_sock_ != INVALID_SOCKET) ::listen(svr_sock_, SOMAXCONN);
  }

 private:
  // Every connection goes through here (httplib's own loop, with our stream).
  bool process_and_close_socket(socket_t sock) override {
    if (tShedding) {
      SendSome(sock, kBusyAnswer, sizeof kBusyAnswer - 1, false);
      CloseSocket(sock);
      return false;
    }
    TGuardedStream stream(sock, limits_);
    bool ok = false;
    for (int left = limits_.RequestsPerConnection; left > 0; --left) {
      // The next request's first byte, waited for in short steps so a stop is seen.
      const auto idleUntil =
          Clock::now() + std::chrono::milliseconds(static_cast<long long>(limits_.IdleSeconds * 1000));
      bool arrived = false;
      while (!arrived && svr_sock_ != INVALID_SOCKET && Clock::now() < idleUntil) {
        arrived = stream.NextRequestWithin(std::min(100, MsUntil(idleUntil)));
      }
      if (!arrived || svr_sock_ == INVALID_SOCKET) break;
      stream.StartRequest();
      bool closed = false;
      ok = process_request(stream, left == 1, closed, nullptr);
      if (!ok || closed) break;
    }
    CloseSocket(sock);
    return ok;
  }

  const TWebLimits& limits_;
};

std::string HtmlEscape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

void Log(const std::string& line) {
  static std::mutex mutex;
  const std::lock_guard lock(mutex);
  std::cerr << "q17_exporter: " << line << std::endl;
}

}  // namespace

TScrapeTimeout ParseScrapeTimeout(const std::string* header) {
  TScrapeTimeout timeout;
  if (!header) return timeout;
  char* end = nullptr;
  const double seconds = std::strtod(header->c_str(), &end);
  if (header->empty() || end != header->c_str() + header->size() || !std::isfinite(seconds) || seconds <= 0) {
    timeout.Problem = "X-Prometheus-Scrape-Timeout-Seconds is not a positive number of seconds";
    return timeout;
  }
  timeout.Seconds = seconds;
  return timeout;
}

class TExporterHttp::Impl {
 public:
  Impl(TProbeService& service, TExporterStats& stats, std::string version, TWebLimits limits)
      : service_(service), stats_(stats), version_(std::move(version)), limits_(limits), server_(limits_) {
    server_.new_task_queue = [this] { return new TBoundedPool(limits_.Workers, limits_.MaxQueued); };
    server_.set_payload_max_length(4096);
    server_.set_keep_alive_max_count(static_cast<std::size_t>(limits_.RequestsPerConnection));
    server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
      // REMOTE_ADDR and the like, which the library adds, count too.
      if (req.headers.size() > static_cast<std::size_t>(limits_.MaxHeaders) + 4) {
        res.status = 431;
        res.set_content("too many header fields\n", "text/plain; charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
      }
      return httplib::Server::HandlerResponse::Unhandled;
    });
    server_.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
      res.status = 500;
      res.set_content("internal error\n", "text/plain; charset=utf-8");
    });
    server_.Get("/probe", [this](const httplib::Request& req, httplib::Response& res) { Probe(req, res); });
    server_.Get("/metrics", [this](const httplib::Request& req, httplib::Response& res) { Metrics(req, res); });
    server_.Get("/", [this](const httplib::Request&, httplib::Response& res) { Landing(res); });
  }

  int Bind(const std::string& host, int port, std::string& error) {
    const int bound = port == 0 ? server_.bind_to_any_port(host) : (server_.bind_to_port(host, port) ? port : -1);
    if (bound <= 0) {
      error = "cannot listen on " + host + ":" + std::to_string(port) + " (in use, or no such address)";
      return -1;
    }
    server_.WidenBacklog();
    return bound;
  }
  bool Run() { return server_.listen_after_bind(); }
  void Stop() { server_.stop(); }

 private:
  void Refuse(httplib::Response& res, int status, const std::string& reason) {
    res.status = status;
    res.set_content(reason + "\n", "text/plain; charset=utf-8");
  }

  void Probe(const httplib::Request& req, httplib::Response& res) {
    for (const auto& [name, value] : req.params) {
      if (name != "target" && name != "module") {
        stats_.Refused(400);
        return Refuse(res, 400, "unknown parameter '" + name + "'; /probe takes target and module");
      }
    }
    if (req.params.count("target") != 1 || req.params.count("module") != 1) {
      stats_.Refused(400);
      return Refuse(res, 400, "/probe takes one target and one module: /probe?target=PORT&module=NAME");
    }
    const std::string* header = nullptr;
    const auto found = req.headers.find("X-Prometheus-Scrape-Timeout-Seconds");
    if (found != req.headers.end()) header = &found->second;
    const TScrapeTimeout timeout = ParseScrapeTimeout(header);
    if (!timeout.Problem.empty()) {
      stats_.Refused(400);
      return Refuse(res, 400, timeout.Problem);
    }
    const std::string target = req.get_param_value("target");
    const std::string module = req.get_param_value("module");
    const TProbeAnswer answer = service_.Probe(target, module, timeout.Seconds);
    if (answer.Status != 200) {
      Log(std::string("refused a probe (") + std::to_string(answer.Status) + "): " + answer.Reason);
      return Refuse(res, answer.Status, answer.Reason);
    }
    if (!answer.Result.Success) {
      Log("probe of " + target + " (" + module + ") failed: " + ProbeFailureWord(answer.Result.Failure) + ": " +
          answer.Result.Detail);
    }
    const TMetricFormat format = FormatForAccept(req.get_header_value("Accept"));
    res.set_content(WriteMetrics(ProbeFamilies(answer.Result), format), MetricContentType(format));
  }

  void Metrics(const httplib::Request& req, httplib::Response& res) {
    std::vector<TMetricFamily> families = stats_.Families(version_);
    for (TMetricFamily& family : ProcessFamilies()) families.push_back(std::move(family));
    const TMetricFormat format = FormatForAccept(req.get_header_value("Accept"));
    res.set_content(WriteMetrics(families, format), MetricContentType(format));
  }

  void Landing(httplib::Response& res) {
    const auto config = service_.Config();
    std::string modules;
    std::string firstModule;
    for (const auto& [name, module] : config->Modules) {
      if (firstModule.empty()) firstModule = name;
      modules += std::string("<li><code>") + HtmlEscape(name) + "</code>: " + std::to_string(module.Addresses.size()) +
                 " address(es)" + (module.SettingsFile.empty() ? "" : ", settings file " + HtmlEscape(module.SettingsFile)) +
                 "</li>\n";
    }
    std::string targets;
    for (const std::string& t : config->Targets) targets += "<li><code>" + HtmlEscape(t) + "</code></li>\n";
    res.set_content(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>q17_exporter</title></head><body>\n"
        "<h1>q17_exporter " + HtmlEscape(version_) + "</h1>\n"
        "<p>2xQ17 tag readers, probed for Prometheus.</p>\n"
        "<ul><li><a href=\"metrics\">Metrics of the exporter itself</a></li></ul>\n"
        "<form action=\"probe\"><p>Probe <input name=\"target\" placeholder=\"/dev/ttyUSB0\"> with module "
        "<input name=\"module\" value=\"" + HtmlEscape(firstModule) + "\"> <input type=\"submit\" value=\"Probe\"></p></form>\n"
        "<h2>Modules</h2><ul>\n" + modules + "</ul>\n<h2>Ports that may be probed</h2><ul>\n" + targets +
        "</ul>\n</body></html>\n",
        "text/html; charset=utf-8");
  }

  TProbeService& service_;
  TExporterStats& stats_;
  std::string version_;
  TWebLimits limits_;
  TGuardedServer server_;
};

TExporterHttp::TExporterHttp(TProbeService& service, TExporterStats& stats, std::string version, TWebLimits limits)
    : impl_(std::make_unique<Impl>(service, stats, std::move(version), limits)) {}
TExporterHttp::~TExporterHttp() = default;
int TExporterHttp::Bind(const std::string& host, int port, std::string& error) { return impl_->Bind(host, port, error); }
bool TExporterHttp::Run() { return impl_->Run(); }
void TExporterHttp::Stop() { impl_->Stop(); }

}  // namespace q17
