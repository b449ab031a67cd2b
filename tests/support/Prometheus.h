#pragma once
// Prometheus itself (Debian's prometheus) for one test: on the loopback,
// with a configuration the test writes, its data in a temporary folder; its
// log goes to the test's error output.
// Queries go to its HTTP API; a test asks until the answer it waits for
// comes, within an overall bound.
#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/TempDir.h"
#include "support/ChildProcess.h"
#include "support/HttpClient.h"
#include "support/Ser2net.h"

namespace q17::test {

inline constexpr const char* kPrometheus = "/usr/bin/prometheus";

inline bool HavePrometheus() { return ::access(kPrometheus, X_OK) == 0; }

class PrometheusServer {
 public:
  // `config` is prometheus.yml; `files` more files beside it (name, text).
  PrometheusServer(const std::string& config, const std::vector<std::pair<std::string, std::string>>& files)
      : port_(FreePort()) {
    std::ofstream(dir_ / "prometheus.yml") << config;
    for (const auto& [name, text] : files) std::ofstream(dir_ / name) << text;
    server_.Start({kPrometheus, "--config.file=" + (dir_ / "prometheus.yml"), "--storage.tsdb.path=" + (dir_ / "tsdb"),
                   "--web.listen-address=127.0.0.1:" + std::to_string(port_), "--log.level=warn"},
                  {}, false);
    ready_ = Until([&] { return Get(port_, "/-/ready").status == 200; }, 30000);
  }

  bool Ready() const { return ready_; }

  // The answer of /api/v1/query for `query` (JSON text).
  std::string Query(const std::string& query) {
    return Get(port_, "/api/v1/query?query=" + UrlEncode(query)).body;
  }

  // The value of the query's one sample ("" when there is none).
  std::string Value(const std::string& query) {
    const std::string json = Query(query);
    const auto at = json.find("\"value\":[");
    if (at == std::string::npos) return "";
    const auto open = json.find('"', json.find(',', at));
    const auto close = json.find('"', open + 1);
    return open == std::string::npos || close == std::string::npos ? "" : json.substr(open + 1, close - open - 1);
  }

  // Asks `done` every 200 ms until it is true or guardMs has passed.
  static bool Until(const std::function<bool()>& done, int guardMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(guardMs);
    for (;;) {
      if (done()) return true;
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }

 private:
  TempDir dir_;
  int port_;
  ChildProcess server_;
  bool ready_ = false;
};

}  // namespace q17::test
