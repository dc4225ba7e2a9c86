// When the rating is read again: the four game events and the rating notification.

#include <gtest/gtest.h>

#include "harness.h"

using testing_support::Harness;

namespace {

// Notes the game time of every read the events start.
struct Probe : rankwatch {
  const host::Clock* clock = nullptr;
  std::vector<std::string> reads;
  void refreshMmr(int attempts) override {
    reads.push_back(host::Clock::format(clock->now()) + " x" + std::to_string(attempts));
  }
};

}  // namespace

TEST(MatchEvents, EachEventReadsAtItsOwnMoment) {
  const struct {
    const char* event;
    std::vector<std::string> reads;
  } cases[] = {
      {"Function TAGame.GameEvent_TA.StartEvent", {"0.000 x5"}},
      {"Function GameEvent_Soccar_TA.Active.StartRound", {"0.000 x5"}},
      {"Function TAGame.GameEvent_Soccar_TA.EventMatchEnded", {"1.000 x5"}},
      {"Function TAGame.GameEvent_Soccar_TA.Destroyed", {"5.000 x5"}},
      {"Function TAGame.GameEvent_Soccar_TA.Countdown", {}},
  };
  for (const auto& c : cases) {
    Harness harness;
    Probe& probe = harness.load<Probe>();
    probe.clock = &harness.clock;
    harness.event(c.event);
    harness.wait(10);
    EXPECT_EQ(probe.reads, c.reads) << c.event;
  }
}

TEST(MatchEvents, AMatchEndThenTeardownReadsTwiceAndCountsOnce) {
  Harness harness;
  rankwatch& plugin = harness.loadEnabled();
  harness.output.setTracing(true);
  harness.ratings.setRating(11, 1000);
  harness.event("Function TAGame.GameEvent_TA.StartEvent");
  harness.ratings.setRating(11, 1015.5f);
  harness.event("Function TAGame.GameEvent_Soccar_TA.EventMatchEnded");
  harness.event("Function TAGame.GameEvent_Soccar_TA.Destroyed");
  harness.wait(6);
  std::vector<std::string> reads = harness.traced("GetPlayerMMR");
  ASSERT_EQ(reads.size(), 3u);
  EXPECT_EQ(reads[1].substr(0, 5), "1.000");
  EXPECT_EQ(reads[2], "5.000 MMRWrapper::GetPlayerMMR(id(1, 76561198000000001), 11) -> 1015.5");
  EXPECT_EQ(*plugin.wins, 1);
  EXPECT_EQ(*plugin.mmrChange, 15.5f);
}

TEST(MatchEvents, OnlyTheLocalPlayersNotificationReads) {
  Harness harness;
  Probe& probe = harness.load<Probe>();
  probe.clock = &harness.clock;
  harness.ratings.setPlayer(UniqueIDWrapper(OnlinePlatform_Epic, 0, "abc123"));
  harness.output.setTracing(true);
  for (const char* other : {"abc12", "abc1234", "ABC123", "abc123 ", "0", "76561198000000001"}) {
    harness.notify(other);
    // The notified id's text is taken first, then the local player's.
    EXPECT_EQ(
        harness.traced("UniqueIDWrapper::str()"),
        (std::vector<std::string>{"0.000 UniqueIDWrapper::str() -> \"" + std::string(other) + "\"",
                                  "0.000 UniqueIDWrapper::str() -> \"abc123\""}));
  }
  EXPECT_TRUE(probe.reads.empty());
  harness.wait(0.5);
  harness.notify("abc123");  // the platform plays no part, only the id text
  EXPECT_EQ(probe.reads, std::vector<std::string>{"0.500 x5"});
}
