#pragma once
// q17sim as a child process on a pseudo-terminal, and q17ctl runs against it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/CtlLaunch.h"
#include "support/ChildProcess.h"
#include "support/ControlField.h"

namespace q17::test {

class SimHarness {
 public:
  explicit SimHarness(std::vector<std::string> args = {}) {
    args.insert(args.begin(), Q17SIM_PATH);
    if (!sim_.Start(args, {}, false, true) || !sim_.ReadLine(pty_, kGuardMs)) {
      ADD_FAILURE() << "q17sim did not print its device path";
    }
  }

  const std::string& Pty() const { return pty_; }

  // One control line and its answer (which must begin with "ok").
  std::string Control(const std::string& line) {
    std::string answer;
    EXPECT_TRUE(sim_.WriteLine(line));
    EXPECT_TRUE(sim_.ReadLine(answer, kGuardMs)) << line;
    EXPECT_EQ(answer.rfind("ok", 0), 0u) << line << " -> " << answer;
    return answer;
  }

  // A value "NAME=value" out of a control answer.
  static std::string Field(const std::string& answer, const std::string& name) {
    return ControlField(answer, name);
  }

  RunResult Ctl(std::vector<std::string> args, bool withPort = true) {
    if (withPort) args.insert(args.begin(), {"--port", pty_});
    return RunProgram(CtlArgv(args), {"SETUPQ17_PORTS=" + pty_});
  }

 private:
  // Only keeps a broken program from hanging the run; never reached when it works.
  static constexpr int kGuardMs = 20000;
  ChildProcess sim_;
  std::string pty_;
};

}  // namespace q17::test
