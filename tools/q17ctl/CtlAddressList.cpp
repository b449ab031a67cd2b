#include "CtlAddressList.h"

#include <ostream>
#include <sstream>

#include "CtlOutput.h"
#include "reader/Scan.h"

namespace q17 {
namespace {

bool Stopped(const std::function<bool()>& stop) { return stop && stop(); }

// Points a stream at another buffer for as long as it lives.
class TBufferSwap {
 public:
  TBufferSwap(std::ostream& stream, std::streambuf* buffer) : stream_(stream), saved_(stream.rdbuf(buffer)) {}
  ~TBufferSwap() { stream_.rdbuf(saved_); }
  TBufferSwap(const TBufferSwap&) = delete;
  TBufferSwap& operator=(const TBufferSwap&) = delete;

 private:
  std::ostream& stream_;
  std::streambuf* saved_;
};

}  // namespace

std::string FailureLine(const std::string& errorText) {
  std::istringstream lines(errorText);
  std::string line, first;
  while (std::getline(lines, line)) {
    if (line.rfind("Код = ", 0) == 0) return line;
    if (first.empty()) first = line;
  }
  return first.empty() ? "failed" : first;
}

int RunForEachAddress(const std::vector<int>& addresses, std::ostream& out, std::ostream& err,
                      const std::function<int(int address)>& command, const std::function<bool()>& stop,
                      const std::function<bool()>& lineGone) {
  bool anyFailed = false;
  for (std::size_t next = 0; next < addresses.size(); ++next) {
    const bool gone = lineGone && lineGone();
    if (gone || Stopped(stop)) {
      // What a stop or an unplug left alone, as a list to give --address
      // again; an unplug was already named by the reader in progress.
      const std::vector<int> rest(addresses.begin() + static_cast<long>(next), addresses.end());
      err << "q17ctl: " << (gone ? "" : "stopped; ") << "not touched: " << AddressListText(rest) << "\n";
      break;
    }
    const int address = addresses[next];
    const std::string name = "Addr=" + LeftFill(std::to_string(address), 2);
    out << name << "\n";
    std::ostringstream captured;
    int code = 0;
    {
      const TBufferSwap gather(err, captured.rdbuf());
      code = command(address);
    }
    std::istringstream lines(captured.str());
    for (std::string line; std::getline(lines, line);) err << name << ": " << line << "\n";
    // The command says what it reached, a stop in the middle included.
    if (code == 0) {
      out << "OK\n";
    } else {
      anyFailed = true;
      out << FailureLine(captured.str()) << "\n";
    }
    out.flush();
  }
  return anyFailed ? kExitFailed : kExitOk;
}

}  // namespace q17
