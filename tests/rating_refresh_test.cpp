// Reading the rating: the playlist rule, the host's rating service with its retries, and the
// hand-over to the web lookup.

#include <gtest/gtest.h>

#include <pthread.h>

#include "harness.h"
#include "web_lookup.h"
#include "workers.h"

using testing_support::Harness;

namespace {

constexpr char kStart[] = "Function TAGame.GameEvent_TA.StartEvent";

struct RefreshFixture : ::testing::Test {
  Harness harness;
  rankwatch* plugin = nullptr;

  void SetUp() override {
    plugin = &harness.load();
    harness.console("rankwatch_enabled 1");
    harness.console("closemenu rankwatch");
    harness.lines();
    harness.calls();
  }
  // The rating the host service holds for the local player, synced.
  void rate(int playlist, float rating) { harness.ratings.setRating(playlist, rating); }
  void in(int playlist) { harness.ratings.setPlaylist(playlist); }
  void read() { plugin->refreshMmr(5); }
};

}  // namespace

TEST_F(RefreshFixture, DisabledOrOutOfAttemptsItAsksTheHostNothing) {
  in(11);
  rate(11, 1000);
  for (int attempts : {0, -1, -2147483647 - 1}) plugin->refreshMmr(attempts);
  EXPECT_EQ(harness.calls(), 0);
  harness.console("rankwatch_enabled 0");
  harness.calls();
  read();
  harness.event(kStart);
  harness.event("Function TAGame.GameEvent_Soccar_TA.EventMatchEnded");
  harness.wait(10);
  EXPECT_EQ(harness.calls(), 1) << "only the timer after the match end";
  EXPECT_EQ(*plugin->trackedPlaylist, 0);
  EXPECT_EQ(*plugin->currentMmr, 0.0f);
}

TEST_F(RefreshFixture, TheFirstTrackedPlaylistOnlyStartsTheCount) {
  harness.console("rankwatch_singlequeue 0");
  in(11);
  rate(11, 1000);
  read();
  EXPECT_EQ(*plugin->trackedPlaylist, 11);
  EXPECT_EQ(*plugin->currentMmr, 1000.0f);
  EXPECT_EQ(*plugin->wins + *plugin->losses, 0);
}

TEST_F(RefreshFixture, AMoveToAnotherTrackedPlaylistKeepsOrZeroesTheTallyBySingleQueue) {
  for (bool single : {false, true}) {
    Harness h;
    rankwatch& p = h.load();
    h.console("rankwatch_enabled 1");
    h.console(single ? "rankwatch_singlequeue 1" : "rankwatch_singlequeue 0");
    h.ratings.setPlaylist(10);
    h.ratings.setRating(10, 1000);
    p.refreshMmr(5);
    h.ratings.setRating(10, 1020);
    p.refreshMmr(5);
    ASSERT_EQ(*p.wins, 1);

    h.ratings.setPlaylist(11);
    h.ratings.setRating(11, 700);  // the gap between playlists is no result
    p.refreshMmr(5);
    EXPECT_EQ(*p.trackedPlaylist, 11);
    EXPECT_EQ(*p.currentMmr, 700.0f);
    EXPECT_EQ(*p.wins, single ? 0 : 1) << single;
    EXPECT_EQ(*p.streak, single ? 0 : 1);
    EXPECT_EQ(*p.mmrChange, single ? 0.0f : 20.0f);
    EXPECT_EQ(*p.losses, 0);
  }
}

TEST_F(RefreshFixture, UntrackedPlaylistsReadTheLastTrackedOneOrNothing) {
  // Nothing tracked yet: nothing is read.
  for (int playlist : {0, 5, 12, 48, -3}) {
    in(playlist);
    rate(playlist, 900);
    read();
    EXPECT_EQ(*plugin->trackedPlaylist, 0) << playlist;
    EXPECT_EQ(*plugin->currentMmr, 0.0f);
  }
  EXPECT_TRUE(harness.traced("IsSynced").empty());

  in(13);
  rate(13, 1000);
  read();
  rate(13, 1010);
  for (int playlist : {0, 5, 12, 48}) {
    in(playlist);
    read();
    EXPECT_EQ(*plugin->trackedPlaylist, 13) << playlist;
  }
  EXPECT_EQ(*plugin->wins, 1) << "the untracked playlists read 13's rating, once counted";
  // Back in 13: the same playlist, so the count goes on.
  in(13);
  rate(13, 1005);
  read();
  EXPECT_EQ(*plugin->losses, 1);
  EXPECT_EQ(*plugin->mmrChange, 5.0f);
}

TEST_F(RefreshFixture, EveryTrackedPlaylistIsFollowed) {
  const std::vector<int> tracked = {1,  2,  3,  4,  10, 11, 13, 15, 16, 17, 18, 23, 26, 27, 28,
                                    29, 30, 31, 32, 33, 34, 35, 37, 38, 41, 43, 44, 46, 47};
  for (int playlist = -1; playlist <= 50; ++playlist) {
    *plugin->trackedPlaylist = 0;
    in(playlist);
    read();
    const bool followed = *plugin->trackedPlaylist != 0;
    EXPECT_EQ(followed, std::count(tracked.begin(), tracked.end(), playlist) == 1) << playlist;
  }
}

TEST_F(RefreshFixture, AnUnsyncedRatingIsCheckedFiveTimesASecondApartThenLeft) {
  harness.output.setTracing(true);
  in(11);
  harness.ratings.unsync(11, std::nullopt);
  harness.event(kStart);
  harness.wait(20);
  std::vector<std::string> checks = harness.traced("MMRWrapper::IsSynced");
  ASSERT_EQ(checks.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(checks[i].substr(0, 5), std::to_string(i) + ".000");
  EXPECT_EQ(*plugin->currentMmr, 0.0f);
}

TEST_F(RefreshFixture, ARatingThatSyncsLateIsReadAtTheNextCheck) {
  // Synced 2.5 s after the first check: those at 0, 1 and 2 fail, the one at 3 reads.
  harness.output.setTracing(true);
  in(11);
  rate(11, 1000);
  harness.ratings.unsync(11, host::toMicros(2.5));
  harness.event(kStart);
  harness.wait(20);
  const std::vector<std::string> lines = harness.lines();
  std::vector<std::string> checks;
  std::string readAt;
  for (const std::string& line : lines) {
    if (line.find("MMRWrapper::IsSynced") != std::string::npos) checks.push_back(line.substr(7, 5));
    if (line.find("MMRWrapper::GetPlayerMMR") != std::string::npos) readAt = line.substr(7, 5);
  }
  EXPECT_EQ(checks, (std::vector<std::string>{"0.000", "1.000", "2.000", "3.000"}));
  EXPECT_EQ(readAt, "3.000");
  EXPECT_EQ(*plugin->currentMmr, 1000.0f);
}

TEST_F(RefreshFixture, ASyncUnderWayIsNotReady) {
  in(11);
  rate(11, 1000);
  harness.ratings.setSyncing(true);
  read();
  harness.wait(2.5);
  EXPECT_EQ(*plugin->currentMmr, 0.0f);
  harness.ratings.setSyncing(false);
  harness.wait(1);
  EXPECT_EQ(*plugin->currentMmr, 1000.0f);
}

TEST_F(RefreshFixture, AHostRatingOfZeroIsDroppedWithoutARetry) {
  in(11);
  rate(11, 0);
  read();
  EXPECT_FALSE(harness.host->game().nextDue());
  EXPECT_EQ(*plugin->currentMmr, 0.0f);
}

TEST_F(RefreshFixture, AnyOtherTrackingMethodLooksTheRatingUpOnTheWeb) {
  harness.output.setTracing(true);
  in(11);
  rate(11, 1000);
  for (const char* method : {"web", "Bakkesmod", "\"bakkesmod \""}) {
    harness.console(std::string("rankwatch_trackingmethod ") + method);
    harness.lines();
    read();
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
  EXPECT_EQ(*plugin->trackedPlaylist, 11);
}

TEST(WebLookup, AWorkerThatCannotStartChangesNothing) {
  Harness h;
  rankwatch& p = h.load();
  h.console("rankwatch_enabled 1");
  h.console("rankwatch_trackingmethod web");
  h.ratings.setPlaylist(11);
  workers::awaitAll(std::chrono::minutes(1));
  const long sent = h.host->requestsSent();
  // New threads ask for a stack larger than the address space: the worker cannot start.
  pthread_attr_t saved;
  pthread_attr_t huge;
  ASSERT_EQ(pthread_getattr_default_np(&saved), 0);
  ASSERT_EQ(pthread_attr_init(&huge), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&huge, std::size_t(1) << 47), 0);
  ASSERT_EQ(pthread_setattr_default_np(&huge), 0);
  EXPECT_NO_THROW(p.refreshMmr(5));
  pthread_setattr_default_np(&saved);
  pthread_attr_destroy(&huge);
  pthread_attr_destroy(&saved);
  workers::awaitAll(std::chrono::minutes(1));
  EXPECT_EQ(h.host->requestsSent(), sent) << "the worker started: nothing failed";
  EXPECT_EQ(*p.trackedPlaylist, 11);
  EXPECT_EQ(*p.currentMmr, 0.0f);
  EXPECT_FALSE(h.host->game().nextDue());

  // Nothing was left behind: the next lookup goes out.
  p.refreshMmr(5);
  workers::awaitAll(std::chrono::minutes(1));
  EXPECT_EQ(h.host->requestsSent(), sent + 1);
}
