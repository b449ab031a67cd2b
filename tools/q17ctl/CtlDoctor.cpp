#include "CtlDoctor.h"

#include <ostream>
#include <vector>

#include "CtlOutput.h"
#include "link/OpenFailureText.h"
#include "link/PortDoctor.h"

namespace q17 {
namespace {

// The program's own open, with the words the windows show when it fails.
TCheck OpenCheck(const std::string& port, TInterfList& list) {
  list.Refresh();
  const int index = list.IndexOf(port);
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

}  // namespace

int RunDoctor(const std::string& port, TInterfList& list, const SystemView* system,
              const std::vector<TSerialPortInfo>& ports, std::ostream& out) {
  std::vector<TCheck> checks;
  if (system) {
    checks = RunPortChecks(*system, ports, port);
  } else {
    checks.push_back({TCheckStatus::Ok, "system", "nothing to check on this system beyond opening the port"});
  }
  if (!port.empty()) {
    checks.push_back(OpenCheck(port, list));
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
