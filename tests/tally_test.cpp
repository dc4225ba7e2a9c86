// The tally: what successive ratings and the hand-entered results do to the five counters.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "harness.h"

using testing_support::Harness;

namespace {

struct Tally {
  float currentMmr;
  float mmrChange;
  int wins;
  int losses;
  int streak;
  bool operator==(const Tally& o) const {
    return currentMmr == o.currentMmr && mmrChange == o.mmrChange && wins == o.wins &&
           losses == o.losses && streak == o.streak;
  }
};

std::ostream& operator<<(std::ostream& out, const Tally& t) {
  return out << "{mmr " << t.currentMmr << ", change " << t.mmrChange << ", " << t.wins << "W "
             << t.losses << "L, streak " << t.streak << "}";
}

Tally tallyOf(const rankwatch& plugin) {
  return {*plugin.currentMmr, *plugin.mmrChange, *plugin.wins, *plugin.losses, *plugin.streak};
}

// Counts what the tally asks of the rest of the object, and still does it.
struct Probe : rankwatch {
  int winsAsked = 0;
  int lossesAsked = 0;
  std::vector<int> refreshes;
  void addWin() override {
    ++winsAsked;
    rankwatch::addWin();
  }
  void addLoss() override {
    ++lossesAsked;
    rankwatch::addLoss();
  }
  void refreshMmr(int attempts) override { refreshes.push_back(attempts); }
};

}  // namespace

TEST(Tally, RatingsAndHandEnteredResultsTurnIntoWinsLossesTheChangeAndTheStreak) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    std::vector<float> ratings;
    Tally after;
    const char* hand = "";  // results entered by hand after the ratings, W or L
  } cases[] = {
      {{1000}, {1000, 0, 0, 0, 0}},
      {{1000, 1012}, {1012, 12, 1, 0, 1}},
      {{1000, 1012, 1003}, {1003, 3, 1, 1, -1}},
      {{1000, 1000, 1000}, {1000, 0, 0, 0, 0}},
      {{1000, 990, 990, 985.5f}, {985.5f, -14.5f, 0, 2, -2}},
      // 0 and values that are not finite are no rating: nothing is counted or stored.
      {{0}, {0, 0, 0, 0, 0}},
      {{1000, 0}, {1000, 0, 0, 0, 0}},
      {{1000, 0, 1010}, {1010, 10, 1, 0, 1}},
      {{nan, 1000, nan, 1010}, {1010, 10, 1, 0, 1}},
      {{1000, inf, -inf, 990}, {990, -10, 0, 1, -1}},
      // Any rise is one win, however large; a negative rating is still a rating.
      {{-5, 3000}, {3000, 3005, 1, 0, 1}},
      // A step beyond a float's range keeps the change at the end of it, and each way.
      {{3e38f, -3e38f}, {-3e38f, -FLT_MAX, 0, 1, -1}},
      {{3e38f, -3e38f, 3e38f}, {3e38f, FLT_MAX, 1, 1, 1}},
      {{-3e38f, 3e38f, 1000}, {1000, FLT_MAX - 3e38f, 1, 1, -1}},
      // Results entered by hand: streaks run and turn over.
      {{}, {0, 0, 2, 1, -1}, "WWL"},
      {{}, {0, 0, 1, 2, 1}, "LLW"},
      {{}, {0, 0, 2, 2, -1}, "WLWL"},
      {{}, {0, 0, 2, 3, 2}, "LLLWW"},
  };
  for (const auto& c : cases) {
    Harness harness;
    Probe& plugin = harness.load<Probe>();
    for (float rating : c.ratings) plugin.applyMmr(rating);
    for (const char* r = c.hand; *r; ++r) {
      harness.console(*r == 'W' ? "rankwatch_addwin" : "rankwatch_addloss");
    }
    EXPECT_EQ(tallyOf(plugin), c.after) << ::testing::PrintToString(c.ratings) << c.hand;
    EXPECT_EQ(plugin.winsAsked, c.after.wins) << "wins go through the object's own addWin";
    EXPECT_EQ(plugin.lossesAsked, c.after.losses);
    // The overlay shows a number, rounded or not.
    harness.console("openmenu rankwatch");
    for (const char* round : {"rankwatch_round 0", "rankwatch_round 1"}) {
      harness.console(round);
      const std::string line = harness.host->gui().frame().at(0);
      EXPECT_EQ(line.find_first_not_of("0123456789.+-", 6), std::string::npos) << line;
    }
  }
}

TEST(Tally, CountersStopAtTheEndsOfTheirType) {
  constexpr int most = std::numeric_limits<int>::max();
  constexpr int least = std::numeric_limits<int>::min();
  const struct {
    int wins, losses, streak;
    char result;
    int winsAfter, lossesAfter, streakAfter;
  } cases[] = {
      {most, 0, most, 'W', most, 0, most},     {most - 1, 0, most - 1, 'W', most, 0, most},
      {0, most, least, 'L', 0, most, least},   {0, most - 1, -1, 'L', 0, most, -2},
      {0, most, -1, 'L', 0, most, -2},         {most, most, least, 'W', most, most, 1},
      {most, most, most, 'L', most, most, -1},
  };
  for (const auto& c : cases) {
    Harness harness;
    rankwatch& plugin = harness.load();
    *plugin.wins = c.wins;
    *plugin.losses = c.losses;
    *plugin.streak = c.streak;
    harness.console(c.result == 'W' ? "rankwatch_addwin" : "rankwatch_addloss");
    EXPECT_EQ(*plugin.wins, c.winsAfter) << c.wins << " " << c.result;
    EXPECT_EQ(*plugin.losses, c.lossesAfter) << c.losses << " " << c.result;
    EXPECT_EQ(*plugin.streak, c.streakAfter) << c.streak << " " << c.result;
  }
}

TEST(Tally, ResetZeroesEverythingAndAsksForAFreshStart) {
  Harness harness;
  Probe& plugin = harness.load<Probe>();
  *plugin.trackedPlaylist = 11;
  plugin.applyMmr(1000);
  plugin.applyMmr(1020);
  plugin.applyMmr(1015);
  harness.console("rankwatch_reset");
  EXPECT_EQ(tallyOf(plugin), (Tally{0, 0, 0, 0, 0}));
  EXPECT_EQ(*plugin.trackedPlaylist, 11);
  EXPECT_EQ(plugin.refreshes, std::vector<int>{5});
  // The next rating only starts the count again.
  plugin.applyMmr(1200);
  EXPECT_EQ(tallyOf(plugin), (Tally{1200, 0, 0, 0, 0}));
}
