#include "link/ReplyTimer.h"

#include <gtest/gtest.h>

namespace q17 {
namespace {

// RFC 6298's figures: the first reply sets the mean and half of it as the
// deviation, later ones move them by 1/8 and 1/4; the allowance is the mean
// plus four deviations, doubled by each time-out, within 20..1000 ms.
TEST(ReplyTimer, LearnsAsTcpsRetransmissionTimerDoes) {
  TReplyTimer t;
  t.Start(24);
  EXPECT_EQ(t.AllowanceMs(), 24) << "what opening measured, until a reply is";
  t.Sample(80);
  EXPECT_EQ(t.AllowanceMs(), 240);
  t.Sample(80);
  EXPECT_EQ(t.AllowanceMs(), 200);
  t.BackOff();
  EXPECT_EQ(t.AllowanceMs(), 400);
  t.BackOff();
  t.BackOff();
  EXPECT_EQ(t.AllowanceMs(), kMaxNetworkAllowanceMs);
  t.Relax();
  EXPECT_EQ(t.AllowanceMs(), 200);
  t.BackOff();
  t.Sample(80);
  EXPECT_EQ(t.AllowanceMs(), 170) << "a reply measured ends the doubling";
  for (int i = 0; i < 100; ++i) t.Sample(1);
  EXPECT_EQ(t.AllowanceMs(), kMinReplyAllowanceMs);
  t.Sample(5000);
  EXPECT_EQ(t.AllowanceMs(), kMaxNetworkAllowanceMs);

  t.Start(0);
  EXPECT_EQ(t.AllowanceMs(), kMinReplyAllowanceMs);
  t.Start(5000);
  EXPECT_EQ(t.AllowanceMs(), kMaxNetworkAllowanceMs);
}

}  // namespace
}  // namespace q17
