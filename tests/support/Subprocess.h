#pragma once
// A child program with pipes on its standard streams, for end-to-end tests.
// Reads wait on the pipe (poll) with a generous bound, never on a fixed sleep.
#include <string>
#include <vector>

namespace q17::test {

class Subprocess {
 public:
  // Starts argv[0] with the given extra environment entries ("NAME=value").
  Subprocess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
  ~Subprocess();
  Subprocess(const Subprocess&) = delete;
  Subprocess& operator=(const Subprocess&) = delete;

  bool WriteLine(const std::string& line);
  void CloseStdin();
  // One line of standard output without its newline; false at EOF or when
  // nothing came within timeoutMs.
  bool ReadLine(std::string& line, int timeoutMs = 20000);
  // Waits for the exit; returns the exit code, or -1 when it did not end in time.
  int Wait(int timeoutMs = 60000);
  // Everything the child wrote to stdout / stderr after the lines taken by
  // ReadLine; valid after Wait.
  const std::string& Out() const { return out_; }
  const std::string& Err() const { return err_; }
  int Pid() const { return pid_; }

 private:
  bool Pump(int timeoutMs);

  int pid_ = -1;
  int in_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  std::string out_;
  std::string err_;
  bool exited_ = false;
  int status_ = 0;
};

// Runs a program to its end: exit code, stdout, stderr.
struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};
RunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                     int timeoutMs = 120000);

}  // namespace q17::test
