// Reading the rating: which playlists are followed, reads that end at once, and the hand-over
// to the web lookup. The retries and playlist moves a user sees are in the refresh scenarios.

#include <gtest/gtest.h>

#include <functional>

#include "harness.h"

using testing_support::Harness;

namespace {

struct RefreshFixture : ::testing::Test {
  Harness harness;
  rankwatch& plugin = harness.loadEnabled();
};

}  // namespace

TEST(Refresh, AReadThatCannotGoOnEndsAtOnceWithoutARetry) {
  const struct {
    const char* what;
    std::function<void(Harness&)> arrange;
    int attempts;
    long calls;  // the SDK calls the read makes
    int tracked;
  } rows[] = {
      {"out of attempts", [](Harness&) {}, 0, 0, 0},
      {"attempts below none", [](Harness&) {}, -1, 0, 0},
      {"the fewest attempts an int holds", [](Harness&) {}, -2147483647 - 1, 0, 0},
      {"disabled", [](Harness& h) { h.console("rankwatch_enabled 0"); }, 5, 0, 0},
      {"the host rates it 0", [](Harness& h) { h.ratings.setRating(11, 0); }, 5, 13, 11},
      {"an untracked playlist before any tracked one",
       [](Harness& h) { h.ratings.setPlaylist(48); }, 5, 2, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Harness harness;
    rankwatch& plugin = harness.loadEnabled();
    harness.ratings.setRating(11, 1000);
    harness.ratings.setRating(48, 900);
    row.arrange(harness);
    harness.calls();
    plugin.refreshMmr(row.attempts);
    EXPECT_EQ(harness.calls(), row.calls);
    EXPECT_FALSE(harness.host->game().nextDue());
    EXPECT_EQ(*plugin.trackedPlaylist, row.tracked);
    EXPECT_EQ(*plugin.currentMmr, 0.0f);
  }
}

TEST_F(RefreshFixture, EveryTrackedPlaylistIsFollowed) {
  const std::vector<int> tracked = {1,  2,  3,  4,  10, 11, 13, 15, 16, 17, 18, 23, 26, 27, 28,
                                    29, 30, 31, 32, 33, 34, 35, 37, 38, 41, 43, 44, 46, 47};
  for (int playlist = -1; playlist <= 50; ++playlist) {
    *plugin.trackedPlaylist = 0;
    harness.ratings.setPlaylist(playlist);
    plugin.refreshMmr(5);
    const bool followed = *plugin.trackedPlaylist != 0;
    EXPECT_EQ(followed, std::count(tracked.begin(), tracked.end(), playlist) == 1) << playlist;
  }
}

TEST_F(RefreshFixture, AnyOtherTrackingMethodLooksTheRatingUpOnTheWeb) {
  harness.output.setTracing(true);
  harness.ratings.setRating(11, 1000);
  for (const char* method : {"web", "Bakkesmod", "\"bakkesmod \""}) {
    harness.console(std::string("rankwatch_trackingmethod ") + method);
    harness.lines();
    plugin.refreshMmr(5);
    const std::vector<std::string> lines = harness.lines();
    auto called = [&](const char* call) {
      return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(call) != std::string::npos;
      });
    };
    EXPECT_FALSE(called("IsSynced")) << method;
    EXPECT_TRUE(called("UniqueIDWrapper::GetPlatform()")) << method;
    // A Steam player is looked up by the Steam id, whatever the identity's text is.
    EXPECT_TRUE(called("UniqueIDWrapper::GetUID()")) << method;
    EXPECT_FALSE(harness.host->game().nextDue()) << "the web path sets no retry";
  }
  EXPECT_EQ(*plugin.trackedPlaylist, 11);
}
