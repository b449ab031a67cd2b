#include "reader/Probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "ReaderBus.h"
#include "SimSerialApi.h"
#include "link/ErrMsg.h"
#include "support/FakeD2xxApi.h"

namespace q17::test {
namespace {

// A bus of simulated readers in this process, on a clock that moves only by
// the waits of the line (each silent exchange costs its time-out).
class ProbeTest : public ::testing::Test {
 protected:
  explicit ProbeTest(std::vector<std::uint8_t> readers = {1, 2, 3, 4}) : bus(readers) {}
  void SetUp() override {
    list.Refresh();
    ASSERT_EQ(list.Open(0, 0), rcOk);
  }
  double Now() const { return static_cast<double>(serial.NowMs()) / 1000.0; }
  TProbeEnv Env() {
    TProbeEnv env;
    env.NowSeconds = [this] { return Now(); };
    return env;
  }
  // The command codes of every request written, in order.
  std::vector<int> Commands() const {
    std::vector<int> codes;
    for (const auto& frame : serial.Writes()) {
      std::vector<std::uint8_t> body;
      for (std::size_t k = 1; k + 1 < frame.size(); ++k) {
        body.push_back(frame[k] == 0xFA ? static_cast<std::uint8_t>(frame[++k] + 0xF0) : frame[k]);
      }
      codes.push_back(body.at(3));
    }
    return codes;
  }
  void Control(const std::string& line) { ASSERT_EQ(bus.ApplyControl(line).rfind("ok", 0), 0u) << line; }

  sim::ReaderBus bus;
  sim::SimSerialApi serial{bus};
  FakeD2xxApi d2xx;
  TInterfList list{serial, d2xx};
};

TEST_F(ProbeTest, EachReaderAsItIsAndOnlyReadsGoOut) {
  // 1 well, with a tag and a sensor; 2 absent; 3 refuses to read its
  // configuration; 4 holds other values than the settings file.
  bus.RemoveReader(2);
  Control("@1 tag add 1 00A10228");
  Control("@1 sensor car 2 on");
  Control("@1 version Ворота №1 \"север\"");
  Control("@3 answer 20 cmd 151");
  bus.Reader(4)->state.block[2] = 11;  // WCT of channel 1
  bus.Reader(4)->state.tmt[1] = 200;
  const TExpectedConfig expected{TCommandState{}};

  const TProbeResult r = ProbeReaders(list, {1, 2, 3, 4}, &expected, Env(), 0);

  EXPECT_TRUE(r.Success);
  EXPECT_EQ(r.Failure, TProbeFailure::None);
  ASSERT_EQ(r.Readers.size(), 4u);
  const TProbeReader& one = r.Readers[0];
  EXPECT_TRUE(one.Up);
  EXPECT_EQ(one.AnswerCode, 0);
  EXPECT_EQ(one.Version, std::optional<std::string>("Ворота №1 \"север\""));
  ASSERT_TRUE(one.Sensors);
  EXPECT_EQ(*one.Sensors, (TSensorState{false, false, false, true}));
  EXPECT_EQ(one.TagsInField1, std::optional<int>(1));
  EXPECT_EQ(one.TagsInField2, std::optional<int>(0));
  EXPECT_TRUE(one.EchoSeconds);
  EXPECT_EQ(one.ConfigMatches, std::optional<bool>(true));

  const TProbeReader& absent = r.Readers[1];
  EXPECT_FALSE(absent.Up);
  EXPECT_EQ(absent.AnswerCode, rcTimeout);
  EXPECT_FALSE(absent.Sensors || absent.EchoSeconds || absent.ConfigMatches);

  const TProbeReader& refusing = r.Readers[2];
  EXPECT_TRUE(refusing.Up);
  EXPECT_EQ(refusing.AnswerCode, rcBadParameter);
  EXPECT_FALSE(refusing.ConfigMatches);  // not known: the block was not read
  EXPECT_TRUE(refusing.EchoSeconds);     // the reads after the refusal still went out

  const TProbeReader& drifted = r.Readers[3];
  EXPECT_EQ(drifted.ConfigMatches, std::optional<bool>(false));
  EXPECT_EQ(drifted.Mismatches, (std::vector<std::string>{"WCT_1", "TMT_2"}));

  const std::set<int> reads = {cmd::ReadVersion,     cmd::ReadSensors,     cmd::ReadTagCount1, cmd::ReadTagCount2,
                               cmd::ReadConfig,      cmd::ReadTagMemTime1, cmd::ReadTagMemTime2,
                               cmd::ReadAtten1,      cmd::ReadAtten2,      cmd::Echo};
  const std::vector<int> sent = Commands();
  for (const int code : sent) EXPECT_TRUE(reads.count(code)) << "command " << code << " is no read";
  // The silent address is asked once, not once per read.
  EXPECT_EQ(sent.size(), 3u * 10u + 1u);
}

TEST_F(ProbeTest, WithoutASettingsFileTheConfigurationIsNotRead) {
  const TProbeResult r = ProbeReaders(list, {1}, nullptr, Env(), 0);
  ASSERT_EQ(r.Readers.size(), 1u);
  EXPECT_FALSE(r.Readers[0].ConfigMatches);
  const std::vector<int> sent = Commands();
  EXPECT_EQ(std::count(sent.begin(), sent.end(), cmd::ReadConfig), 0);
  EXPECT_EQ(sent.size(), 5u);
}

TEST_F(ProbeTest, TheDeadlineCutsTheProbeShortWithWhatItHas) {
  bus.RemoveReader(2);
  bus.RemoveReader(3);
  TProbeEnv env = Env();
  // Reader 1 takes a few milliseconds; the silent 2 takes the 50 ms
  // time-out; no exchange that could end after 90 ms may start.
  env.Deadline = 0.09;
  const TProbeResult r = ProbeReaders(list, {1, 2, 3, 4}, nullptr, env, 0);
  EXPECT_FALSE(r.Success);
  EXPECT_EQ(r.Failure, TProbeFailure::CutShort);
  ASSERT_EQ(r.Readers.size(), 2u);  // 3 and 4 not asked: no records for them
  EXPECT_TRUE(r.Readers[0].Up);
  EXPECT_EQ(r.Readers[1].AnswerCode, rcTimeout);
  EXPECT_LE(Now(), 0.09);
}

TEST_F(ProbeTest, AStopEndsTheProbeBeforeTheNextExchange) {
  TProbeEnv env = Env();
  int asked = 0;
  env.StopRequested = [&] { return ++asked > 3; };
  const TProbeResult r = ProbeReaders(list, {1, 2}, nullptr, env, 0);
  EXPECT_EQ(r.Failure, TProbeFailure::CutShort);
  EXPECT_EQ(serial.Writes().size(), 3u);
  ASSERT_EQ(r.Readers.size(), 1u);  // reader 1, as far as it got
}

TEST_F(ProbeTest, ABusWhereNobodyAnswersFails) {
  for (const std::uint8_t a : {1, 2, 3, 4}) bus.RemoveReader(a);
  const TProbeResult r = ProbeReaders(list, {1, 2}, nullptr, Env(), 0);
  EXPECT_FALSE(r.Success);
  EXPECT_EQ(r.Failure, TProbeFailure::NoAnswer);
  EXPECT_EQ(r.Detail, "no reader answered at 1-2");
  EXPECT_EQ(r.Readers.size(), 2u);
}

}  // namespace
}  // namespace q17::test
