#include "CtlAddressList.h"

#include <array>
#include <ostream>
#include <sstream>

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

bool TakesAddressList(const std::string& command) {
  static const std::array<const char*, 4> kCommands = {"version", "set-time", "write-config", "restore-radio"};
  for (const char* c : kCommands)
    if (command == c) return true;
  return false;
}

std::vector<int> FoundAddresses(TCommandState& s, TInterfList& link, const std::function<bool()>& stop) {
  std::vector<int> found;
  ScanReaders(s, link, kScanFirstAddress, kScanLastAddress, [&](int address, int result, const std::string&) {
    if (result == 0) found.push_back(address);
    return !Stopped(stop);
  });
  return found;
}

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
                      const std::function<int(int address)>& command, const std::function<bool()>& stop) {
  bool anyFailed = false;
  for (const int address : addresses) {
    if (Stopped(stop)) break;
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
    // A reader cut short by a stop is neither a success nor a failure of its own.
    if (Stopped(stop)) break;
    if (code == 0) {
      out << "OK\n";
    } else {
      anyFailed = true;
      out << FailureLine(captured.str()) << "\n";
    }
    out.flush();
  }
  return anyFailed ? 1 : 0;
}

}  // namespace q17
