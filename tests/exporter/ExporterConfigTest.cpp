#include "ExporterConfig.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/TempDir.h"

namespace q17::test {
namespace {

class ExporterConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    std::ofstream(dir / "gate.set") << "[CHAN_1]\nWCT=11\n[MEMORY]\nTMT_2=200\n";
    std::ofstream(dir / "words.set") << "[CHAN_1]\nWCT=1O\n";
  }
  std::optional<TExporterConfig> Parse(const std::string& text) {
    error.clear();
    return ParseExporterConfig(text, "q17.yml", dir.path(), error);
  }
  TempDir dir;
  std::string error;
};

TEST_F(ExporterConfigTest, AWholeConfiguration) {
  const auto config = Parse(
      "modules:\n"
      "  gates:\n"
      "    addresses: 1-3,7\n"
      "    settings_file: gate.set   # beside the configuration\n"
      "    timeout: 80\n"
      "  one:\n"
      "    addresses: 5\n"
      "targets:\n"
      "  - /dev/ttyUSB*\n"
      "  - tcp://10.1.2.*:4001\n");
  ASSERT_TRUE(config) << error;
  ASSERT_EQ(config->Modules.size(), 2u);
  const TExporterModule& gates = config->Modules.at("gates");
  EXPECT_EQ(gates.Addresses, (std::vector<int>{1, 2, 3, 7}));
  EXPECT_EQ(gates.TimeoutMs, 80);
  ASSERT_TRUE(gates.Expected);
  EXPECT_EQ(gates.Expected->State.Config.Channel[0].WCT, 11);
  EXPECT_EQ(gates.Expected->State.TMT_2, 200);
  const TExporterModule& one = config->Modules.at("one");
  EXPECT_EQ(one.Addresses, std::vector<int>{5});
  EXPECT_FALSE(one.Expected);
  EXPECT_EQ(one.TimeoutMs, 50);
  EXPECT_EQ(config->Targets, (std::vector<std::string>{"/dev/ttyUSB*", "tcp://10.1.2.*:4001"}));
}

TEST_F(ExporterConfigTest, EveryProblemIsNamedWithItsLine) {
  const std::string good = "modules:\n  gates:\n    addresses: 1-30\ntargets:\n  - /dev/ttyUSB*\n";
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"", "q17.yml:1: the configuration is empty"},
      {"modules: [\n", "q17.yml:2: "},  // the parser's own words follow
      {"- a\n- b\n", "q17.yml:1: the configuration must be a mapping with modules and targets"},
      {"targets:\n  - /dev/ttyUSB*\n", "q17.yml:1: no modules"},
      {"modules:\n  gates:\n    addresses: 1-30\n", "q17.yml:1: no targets"},
      {good + "extra: 1\n", "q17.yml:6: unknown key 'extra' in the configuration"},
      {"modules:\n  gates:\n    adresses: 1-30\ntargets:\n  - /dev/ttyUSB*\n",
       "q17.yml:3: unknown key 'adresses' in module 'gates'"},
      {"modules:\n  gates:\n    addresses: 1-300\ntargets:\n  - /dev/ttyUSB*\n", "q17.yml:3: addresses: "},
      {"modules:\n  gates:\n    addresses: found\ntargets:\n  - /dev/ttyUSB*\n",
       "q17.yml:3: addresses: a probe asks the addresses it is given"},
      {"modules:\n  gates:\n    addresses: [1, 2]\ntargets:\n  - /dev/ttyUSB*\n",
       "q17.yml:3: addresses must be a single value"},
      {"modules:\n  gates:\n    settings_file: gate.set\ntargets:\n  - /dev/ttyUSB*\n",
       "q17.yml:3: module 'gates' has no addresses"},
      {"modules:\n  gates:\n    addresses: 1\n    timeout: 5\ntargets:\n  - /dev/ttyUSB*\n",
       "q17.yml:4: timeout is the milliseconds of silence per byte, 20..1000"},
      {"modules:\n  gates:\n    addresses: 1\n    settings_file: words.set\ntargets:\n  - /dev/ttyUSB*\n",
       "q17.yml:4: settings_file words.set: WCT in [CHAN_1] is not a whole number"},
      {"modules:\n  gates:\n    addresses: 1\n  gates:\n    addresses: 2\ntargets:\n  - /dev/ttyUSB*\n",
       "q17.yml:4: module 'gates' is given twice"},
      {"modules:\n  bad name:\n    addresses: 1\ntargets:\n  - /dev/ttyUSB*\n",
       "q17.yml:2: a module's name is letters, digits, '_' and '-'"},
      {"modules: {}\ntargets:\n  - /dev/ttyUSB*\n", "q17.yml:1: modules must map"},
      {"modules:\n  gates:\n    addresses: 1\ntargets: []\n", "q17.yml:4: targets must list the ports"},
      {"modules:\n  gates:\n    addresses: 1\ntargets:\n  - /dev/ttyUSB*\n  - /dev/*\n",
       "q17.yml:6: target '/dev/*': it would let callers open /dev/sda"},
      {"modules:\n  gates:\n    addresses: 1\ntargets:\n  - [a, b]\n", "q17.yml:5: a target must be a single value"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Parse(c.text)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << "\n-> " << error;
  }
  EXPECT_TRUE(Parse(good)) << error;
}

TEST_F(ExporterConfigTest, AFileTooLargeOrMissing) {
  EXPECT_FALSE(ParseExporterConfig(std::string(kMaxConfigBytes + 1, '#'), "big.yml", dir.path(), error));
  EXPECT_EQ(error, "big.yml: larger than a configuration can be (1 MiB)");
  EXPECT_FALSE(LoadExporterConfig(dir / "none.yml", error));
  EXPECT_EQ(error, dir / "none.yml" + ": no such file");
#ifndef _WIN32
  EXPECT_FALSE(LoadExporterConfig("/dev/stdin", error));  // never waits on a device
  EXPECT_EQ(error, "/dev/stdin: not a regular file");
#endif
}

}  // namespace
}  // namespace q17::test
