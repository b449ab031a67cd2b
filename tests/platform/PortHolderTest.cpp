#include "platform/PortHolder.h"

#include <gtest/gtest.h>

namespace q17 {
namespace {

// The one reading of /proc/locks: every kind of lock counts, a waiter and
// this process's own lock do not, and an open-file-description lock has no pid.
TEST(PortHolder, LockHolderFromProcLocks) {
  const std::string key = "00:05:77";
  const struct {
    const char* what;
    std::string locks;
    std::optional<std::string> pid;
  } cases[] = {
      {"flock", "1: FLOCK  ADVISORY  WRITE 4242 00:05:77 0 EOF\n", "4242"},
      {"POSIX lock", "1: POSIX  ADVISORY  WRITE 31 00:05:77 0 EOF\n", "31"},
      {"OFD lock", "1: OFDLCK ADVISORY  WRITE -1 00:05:77 0 EOF\n", ""},
      {"another file", "1: FLOCK  ADVISORY  WRITE 4242 00:19:5 0 EOF\n", std::nullopt},
      {"a waiter only", "1: -> FLOCK  ADVISORY  WRITE 4242 00:05:77 0 EOF\n", std::nullopt},
      {"our own lock", "1: FLOCK  ADVISORY  WRITE 100 00:05:77 0 EOF\n", std::nullopt},
      {"ours, then another's", "1: FLOCK  ADVISORY  WRITE 100 00:05:77 0 EOF\n"
                              "2: POSIX  ADVISORY  WRITE 55 00:05:77 0 EOF\n", "55"},
      {"a lease is no lock", "1: LEASE  ACTIVE    READ  9 00:05:77 0 EOF\n", std::nullopt},
      {"garbage", "1:\n\nFLOCK\n", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(LockHolderPid(c.locks, key, "100"), c.pid) << c.what;
}

}  // namespace
}  // namespace q17
