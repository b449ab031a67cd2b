// A misbehaving serial server on the loopback for the benchmarks, from the
// tests' own (tests/support/SlowServers.h): prints its TCP port, then serves
// until SIGINT or SIGTERM.
//   slow_server trickle MS       a byte every MS ms, for ever
//   slow_server lag MS PTY       PTY's bytes to the client MS ms late
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "support/SlowServers.h"

int main(int argc, char** argv) {
  using namespace q17::test;
  const std::string mode = argc > 2 ? argv[1] : "";
  std::unique_ptr<LoopbackServer> server;
  if (mode == "trickle" && argc == 3) {
    server = std::make_unique<TrickleServer>(std::atoi(argv[2]));
  } else if (mode == "lag" && argc == 4) {
    server = std::make_unique<LagRelay>(argv[3], std::atoi(argv[2]));
  } else {
    std::fprintf(stderr, "usage: slow_server trickle MS | slow_server lag MS PTY\n");
    return 2;
  }
  if (!server->Ready()) return 1;
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  std::printf("%d\n", server->Port());
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stop, &signal);
  return 0;
}
