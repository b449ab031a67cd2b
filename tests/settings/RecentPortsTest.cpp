#include "settings/RecentPorts.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/TempDir.h"
#include "settings/FileReplace.h"

namespace q17 {
namespace {

using Ports = std::vector<TRecentPort>;

TEST(RecentPorts, AFileWithBadLinesGivesTheGoodOnesOnceInOrder) {
  const Ports ports = ParseRecentPorts(
      "# comment\r\n"
      "\n"
      "  rfc2217://gate-3:4001   auto  \r\n"
      "tcp://10.0.0.7:4001 150\n"
      "COM5 auto\n"                    // a local port is never remembered
      "tcp://gate:0 auto\n"            // no such TCP port
      "tcp://gate:4002 fast\n"         // allowance not a number
      "tcp://gate:4003 1001\n"         // beyond the most a network may add
      "tcp://gate:4004 -5\n"
      "rfc2217://gate-3:4001 300\n"    // seen already: the newer line wins
      "tcp://10.0.0.7:04001 200\n"     // the same server, spelt otherwise
      "tcp://[::1]:4005\n"             // no allowance: measured
      "\xff\xfe\x00garbage");
  EXPECT_EQ(ports, (Ports{{"rfc2217://gate-3:4001", std::nullopt},
                          {"tcp://10.0.0.7:4001", 150},
                          {"tcp://[::1]:4005", std::nullopt}}));
  EXPECT_EQ(ParseRecentPorts(FormatRecentPorts(ports)), ports);
}

TEST(RecentPorts, TheOneUsedGoesFirstOnceAndTheOldestFallsOffAtTheCap) {
  Ports ports;
  for (int i = 1; i <= 9; ++i) ports = WithRecentPort(ports, {"tcp://gate:" + std::to_string(4000 + i), std::nullopt});
  ASSERT_EQ(ports.size(), kMaxRecentPorts);
  EXPECT_EQ(ports.front().Name, "tcp://gate:4009");
  EXPECT_EQ(ports.back().Name, "tcp://gate:4002");

  ports = WithRecentPort(ports, {"tcp://gate:04005", 80});  // its one name
  ASSERT_EQ(ports.size(), kMaxRecentPorts);
  EXPECT_EQ(ports[0], (TRecentPort{"tcp://gate:4005", 80}));
  EXPECT_EQ(ports[1].Name, "tcp://gate:4009");
  EXPECT_EQ(std::count_if(ports.begin(), ports.end(), [](const TRecentPort& p) { return p.Name == "tcp://gate:4005"; }), 1);

  EXPECT_EQ(WithRecentPort(ports, {"/dev/ttyUSB0", std::nullopt}), ports) << "not a network port";
  // A file of more than the cap, written by hand, is read up to it.
  std::string text;
  for (int i = 0; i < 12; ++i) text += "tcp://gate:" + std::to_string(5000 + i) + "\n";
  EXPECT_EQ(ParseRecentPorts(text).size(), kMaxRecentPorts);
}

TEST(RecentPorts, SavedIntoAFolderYetToBeMadeAndLoadedBack) {
  test::TempDir dir;
  const auto file = std::filesystem::path(dir.path()) / "SetupQ17" / "network-ports";
  EXPECT_TRUE(LoadRecentPorts(file).empty()) << "no file yet";
  const Ports ports{{"rfc2217://gate-3:4001", 0}, {"tcp://gate:4001", std::nullopt}};
  std::string error;
  ASSERT_TRUE(SaveRecentPorts(file, ports, error)) << error;
  EXPECT_EQ(LoadRecentPorts(file), ports);
  // A folder where the file should be: nothing to read, a clear failure to write.
  std::filesystem::create_directories(file.parent_path() / "blocked");
  EXPECT_TRUE(LoadRecentPorts(file.parent_path() / "blocked").empty());
  EXPECT_FALSE(SaveRecentPorts(file.parent_path() / "blocked", ports, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace q17
