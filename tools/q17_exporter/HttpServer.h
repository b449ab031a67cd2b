#pragma once
// q17_exporter's HTTP side: /probe (the multi-target pattern), /metrics (the
// exporter's own) and / (a page of links), served by cpp-httplib. Every
// connection is bounded: the request's head must arrive whole and soon (a
// client that sends a byte a second is cut off), its size and its header
// count are limited, and connections beyond what the workers can take are
// answered 503 at once instead of queueing without end.
#include <memory>
#include <string>

#include "ExporterStats.h"
#include "ProbeService.h"

namespace q17 {

struct TWebLimits {
  int Workers = 80;             // connections served at once
  int MaxQueued = 256;          // accepted connections waiting for a worker; more get 503
  int MaxHeadBytes = 16 * 1024;  // request line and headers
  int MaxHeaders = 64;
  double HeadSeconds = 5;       // from a request's first byte to the end of its head
  double IdleSeconds = 5;       // a kept-alive connection waiting for its next request
  int RequestsPerConnection = 100;
};

class TExporterHttp {
 public:
  TExporterHttp(TProbeService& service, TExporterStats& stats, std::string version, TWebLimits limits = {});
  ~TExporterHttp();
  TExporterHttp(const TExporterHttp&) = delete;
  TExporterHttp& operator=(const TExporterHttp&) = delete;

  // Listens on host:port (0: a free port); gives the port, or -1 and why.
  int Bind(const std::string& host, int port, std::string& error);
  // Serves until Stop; false when listening failed.
  bool Run();
  // Ends Run: no new connection is taken, waiting connections close.
  void Stop();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// The scraper's time-out from X-Prometheus-Scrape-Timeout-Seconds: nothing
// when the header is absent, a problem when it is not a positive number.
struct TScrapeTimeout {
  double Seconds = kDefaultScrapeTimeoutSeconds;
  std::string Problem;
};
TScrapeTimeout ParseScrapeTimeout(const std::string* header);

}  // namespace q17
