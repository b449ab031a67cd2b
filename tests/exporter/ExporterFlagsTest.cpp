#include "ExporterFlags.h"

#include <gtest/gtest.h>

namespace q17::test {
namespace {

TEST(ExporterFlagsTest, EachFlagWithItsValueJoinedOrApart) {
  TExporterFlags flags;
  EXPECT_EQ(ParseExporterFlags({"--web.listen-address=[::1]:9400", "--config.file", "/etc/q.yml"}, flags), "");
  EXPECT_EQ(flags.ListenHost, "::1");
  EXPECT_EQ(flags.ListenPort, 9400);
  EXPECT_EQ(flags.ConfigFile, "/etc/q.yml");

  const struct {
    std::vector<std::string> args;
    std::string host;
    int port;
    std::string problem;
  } cases[] = {
      {{}, "127.0.0.1", kDefaultExporterPort, ""},
      {{"--web.listen-address", ":9312"}, "0.0.0.0", 9312, ""},
      {{"--web.listen-address=10.0.0.5:0"}, "10.0.0.5", 0, ""},
      {{"--web.listen-address=::1:9312"}, "", 0, "--web.listen-address: an IPv6 address goes in brackets, [::1]:9312"},
      {{"--web.listen-address=[]:9312"}, "", 0, "--web.listen-address: an IPv6 address goes in brackets, [::1]:9312"},
      {{"--web.listen-address=localhost"}, "", 0, "--web.listen-address takes HOST:PORT, such as 127.0.0.1:9312"},
      {{"--web.listen-address=:65536"}, "", 0, "--web.listen-address: the port is 0..65535"},
      {{"--web.listen-address"}, "", 0, "--web.listen-address needs a value"},
      {{"--config.file="}, "", 0, "--config.file names no file"},
      {{"--web.listen_address=:1"}, "", 0, "unknown flag --web.listen_address"},
      {{"extra"}, "", 0, "unexpected argument 'extra'"},
  };
  for (const auto& c : cases) {
    TExporterFlags f;
    EXPECT_EQ(ParseExporterFlags(c.args, f), c.problem) << (c.args.empty() ? "" : c.args[0]);
    if (c.problem.empty()) {
      EXPECT_EQ(f.ListenHost, c.host);
      EXPECT_EQ(f.ListenPort, c.port);
    }
  }
}

}  // namespace
}  // namespace q17::test
