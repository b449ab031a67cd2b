#include <gtest/gtest.h>

#include "reader/SensorChanges.h"

namespace q17 {
namespace {

using Changes = std::vector<TSensorChange>;

TEST(SensorChanges, FirstPollGivesAllFourThenOnlyWhatChanged) {
  TSensorChangeDetector detector;
  EXPECT_EQ(detector.Update({false, true, false, false}),
            (Changes{{0, false}, {1, true}, {2, false}, {3, false}}));
  EXPECT_EQ(detector.Update({false, true, false, false}), Changes{});
  EXPECT_EQ(detector.Update({true, false, false, true}), (Changes{{0, true}, {1, false}, {3, true}}));
  std::tm t{};
  t.tm_hour = 7;
  t.tm_min = 5;
  t.tm_sec = 9;
  EXPECT_EQ(SensorChangeLine(t, 42, {1, true}), "07:05:09.042\tCAR1\tВКЛ.");
  EXPECT_EQ(SensorChangeLine(t, 999, {2, false}), "07:05:09.999\tDC2\tвыкл.");
}

TEST(SensorChanges, TimelineKeepsTheLastSpanAndJoinsActivePolls) {
  TSensorTimeline timeline(1000);
  timeline.Record(0, {true, false, false, false});
  timeline.Record(200, {true, true, false, false});
  timeline.Record(400, {false, true, false, false});
  EXPECT_EQ(timeline.ActiveSpans(0, 500), (std::vector<std::pair<long long, long long>>{{0, 400}}));
  EXPECT_EQ(timeline.ActiveSpans(1, 500), (std::vector<std::pair<long long, long long>>{{200, 500}}));
  EXPECT_TRUE(timeline.ActiveSpans(2, 500).empty());
  EXPECT_EQ(timeline.FromMs(500), 0);
  // 1.3 s later only DC1's last 0.1 s is in the span; CAR1 still holds.
  timeline.Record(1300, {false, true, false, false});
  EXPECT_EQ(timeline.ActiveSpans(0, 1300), (std::vector<std::pair<long long, long long>>{{300, 400}}));
  EXPECT_EQ(timeline.ActiveSpans(1, 1400), (std::vector<std::pair<long long, long long>>{{400, 1400}}));
  EXPECT_EQ(timeline.FromMs(1400), 400);
}

}  // namespace
}  // namespace q17
