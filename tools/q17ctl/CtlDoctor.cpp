#include "CtlDoctor.h"

#include <ostream>
#include <vector>

#include "CtlOutput.h"
#include "link/OpenFailureText.h"
#include "link/PortDoctor.h"
#include "platform/NetPortName.h"
#include "platform/NetSerial.h"

namespace q17 {
namespace {

// The program's own open, with the words the windows show when it fails.
TCheck OpenCheck(const std::string& port, TInterfList& list, int index) {
  if (index < 0) {
    return {TCheckStatus::Problem, "open",
            port + " is not in the interface list: 'q17ctl ports' lists the ports the program offers"};
  }
  if (list.Open(index, 0) == 0) {
    list.Close();
    return {TCheckStatus::Ok, "open", "the program opens " + port + " at 9600 baud"};
  }
  const std::string why = ExplainOpenFailure(list);
  return {TCheckStatus::Problem, "open", why.empty() ? "the port could not be opened" : why};
}

// A port behind a serial server, opened as every command opens it: whether
// the server is reachable, takes RFC 2217's settings (rfc2217:// only), and
// serves no other client; the open's own line last.
std::vector<TCheck> NetworkChecks(const TNetPortName& address, TInterfList& list) {
  const std::string name = FormatNetPortName(address);
  const TCheck open = OpenCheck(name, list, list.AddNetworkPort(name));
  const TOpenFailure& failure = list.LastOpenFailure();
  const bool opened = open.Status == TCheckStatus::Ok;
  const bool reached = opened || NetOpenReachedServer(failure);
  const std::string server = address.Host + ":" + std::to_string(address.Port);
  std::vector<TCheck> checks;
  checks.push_back(reached ? TCheck{TCheckStatus::Ok, "server", server + " accepts a connection"}
                           : TCheck{TCheckStatus::Problem, "server", open.Text});
  const bool busy = failure.Reason == OpenFailure::ServerBusy;
  if (address.Kind == NetPortKind::Rfc2217) {
    if (opened) {
      checks.push_back({TCheckStatus::Ok, "RFC 2217", "the server set 9600 baud, 8N1, no flow control"});
    } else if (reached && !busy) {
      checks.push_back({TCheckStatus::Problem, "RFC 2217", open.Text});
    } else {
      checks.push_back({TCheckStatus::Warning, "RFC 2217", "not checked: the server did not get that far"});
    }
  }
  if (opened) {
    checks.push_back({TCheckStatus::Ok, "other client", "none holds the server's port"});
  } else if (busy) {
    checks.push_back({TCheckStatus::Problem, "other client", open.Text});
  } else {
    checks.push_back({TCheckStatus::Warning, "other client", "not checked: the server did not get that far"});
  }
  checks.push_back(open);
  return checks;
}

}  // namespace

int RunDoctor(const std::string& port, TInterfList& list, const SystemView* system,
              const std::vector<TSerialPortInfo>& ports, std::ostream& out) {
  std::vector<TCheck> checks;
  list.Refresh();
  const auto address = ParseNetPortName(port);
  if (address) {
    // No group, rule or driver of this computer stands between a user and a server.
    checks.push_back({TCheckStatus::Ok, "system", "a network port needs nothing of this computer but its network"});
  } else if (system) {
    checks = RunPortChecks(*system, ports, port);
  } else {
    checks.push_back({TCheckStatus::Ok, "system", "nothing to check on this system beyond opening the port"});
  }
  if (address) {
    const std::vector<TCheck> network = NetworkChecks(*address, list);
    checks.insert(checks.end(), network.begin(), network.end());
  } else if (!port.empty()) {
    checks.push_back(OpenCheck(port, list, list.IndexOf(port)));
  } else {
    checks.push_back({TCheckStatus::Ok, "port", "none named; 'q17ctl doctor PORT' also checks one port"});
  }
  bool problem = false;
  for (const TCheck& c : checks) {
    const std::string word = CheckStatusWord(c.Status);
    // Names and texts carry device and process names from the system.
    out << word << std::string(word.size() < 9 ? 9 - word.size() : 1, ' ') << VisibleText(c.Name) << ": "
        << VisibleText(c.Text) << "\n";
    problem = problem || c.Status == TCheckStatus::Problem;
  }
  return problem ? 1 : 0;
}

}  // namespace q17
