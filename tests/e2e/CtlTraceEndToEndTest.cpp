// q17ctl --trace against q17sim: the log shows the frames the reader saw.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "e2e/SimHarness.h"
#include "reader/TraceFormat.h"
#include "support/Frames.h"

namespace q17::test {
namespace {

std::vector<std::vector<std::string>> Lines(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::istringstream f(line);
    for (std::string field; std::getline(f, field, '\t');) fields.push_back(field);
    lines.push_back(fields);
  }
  return lines;
}

TEST(CtlTraceEndToEnd, VersionLogsTheRequestAndTheReplyTheReaderSent) {
  SimHarness sim;
  sim.Control("version AB");
  const RunResult r = sim.Ctl({"--trace", "-", "version"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "AB\n");
  const auto lines = Lines(r.err);
  ASSERT_EQ(lines.size(), 2u) << r.err;
  const std::vector<std::uint8_t> reply = ReplyFrame(0, 1, 0, {'A', 'B'});
  EXPECT_EQ(std::vector<std::string>(lines[0].begin() + 1, lines[0].end()),
            (std::vector<std::string>{"TX", "FB 00 01 00 28 00 C5 B0 FD", "pkt=0", "addr=1", "code=40 (ReadVersion)",
                                      "len=0", "data="}));
  EXPECT_EQ(std::vector<std::string>(lines[1].begin() + 1, lines[1].end()),
            (std::vector<std::string>{"RX", WireHex(reply.data(), reply.size()), "pkt=0", "addr=1", "code=0 (OK !)",
                                      "len=2", "data=41 42"}));
  for (const auto& line : lines) EXPECT_EQ(line[0].size(), line[0].find('.') + 4) << line[0];
  const std::string stats = sim.Control("stats");
  EXPECT_EQ(SimHarness::Field(stats, "requests"), "1");
  EXPECT_EQ(SimHarness::Field(stats, "replies"), "1");
}

TEST(CtlTraceEndToEnd, ACutReplyIsLoggedAsPartialThenTheFailure) {
  SimHarness sim;
  sim.Control("fault cut next 1");
  const RunResult r = sim.Ctl({"--trace", "-", "version"});
  EXPECT_EQ(r.exitCode, 1);
  const auto lines = Lines(r.err);
  ASSERT_GE(lines.size(), 4u) << r.err;
  EXPECT_EQ(lines[0][1], "TX");
  EXPECT_EQ(lines[1][1], "RX");
  EXPECT_EQ(lines[1][2].rfind("FC 00 01 00 00", 0), 0u) << lines[1][2];
  EXPECT_EQ(lines[1][3], "partial");
  EXPECT_EQ(lines[2][1], "ERR");
  EXPECT_EQ(lines[2][2], "Код = 6 / Таймаут обмена");
  EXPECT_EQ(lines[3], (std::vector<std::string>{"Код = 6 / Таймаут обмена"}));
}

}  // namespace
}  // namespace q17::test
