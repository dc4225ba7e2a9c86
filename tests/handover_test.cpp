// The hand-over of the shown tally between threads: the copy being drawn stays whole while the
// writer goes on.

#include "handover.h"

#include <gtest/gtest.h>

TEST(Handover, TheCopyBeingReadIsNeverWrittenAndTheNextReadIsTheNewest) {
  Handover<int> handover;
  EXPECT_EQ(handover.latest(), 0);
  handover.publish(1);
  const int& drawn = handover.latest();
  for (int value = 2; value <= 4; ++value) handover.publish(value);
  EXPECT_EQ(drawn, 1) << "the writer wrote the copy being drawn";
  EXPECT_EQ(handover.latest(), 4);
  EXPECT_EQ(handover.latest(), 4);
}
