// The web lookup in the host: the URL it asks for, the rating applied on the reply's thread
// while the plugin is loaded, and a game thread that never waits for the network.

#include "web_lookup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "harness.h"
#include "workers.h"

using namespace std::chrono_literals;
using testing_support::Harness;
using testing_support::until;

namespace {

// Counts the ratings that reach the object. One may be held inside until the test lets it go,
// and says whether the object was still whole when it left.
struct Recording : rankwatch {
  static std::atomic<int> applied;
  static std::atomic<bool> holdNext, holding, letGo, endedFirst, ended;
  ~Recording() { ended = true; }
  void applyMmr(float mmr) override {
    ++applied;
    if (holdNext.exchange(false)) {
      holding = true;
      until([] { return letGo.load(); });
      endedFirst = ended.load();
    }
    rankwatch::applyMmr(mmr);
  }
};
std::atomic<int> Recording::applied{0};
std::atomic<bool> Recording::holdNext{false}, Recording::holding{false}, Recording::letGo{false},
    Recording::endedFirst{false}, Recording::ended{false};

// A plugin tracking playlist 11 through the local stats service, which rates it 1000.
template <typename Plugin = rankwatch>
Plugin& webTracked(Harness& harness) {
  harness.serveStats().setRating(11, 1000);
  return harness.loadEnabled<Plugin>("web");
}

}  // namespace

TEST(WebLookup, ProfileUrls) {
  const std::string base = "https://api.tracker.gg/api/v2/rocket-league/standard/profile/";
  struct Row {
    const char* platform;
    std::string id;
    std::int64_t time;
    std::string url;
  };
  const Row rows[] = {
      {"steam", "76561198000000001", 1712345678, base + "steam/76561198000000001?1712345678"},
      {"epic", "A-z.0_9~", 0, base + "epic/A-z.0_9~?0"},
      {"epic", "Some Player", 1, base + "epic/Some%20Player?1"},
      {"epic", "a/b?c#d%e&f=g+h", 1, base + "epic/a%2Fb%3Fc%23d%25e%26f%3Dg%2Bh?1"},
      {"epic", "\xC3\x9C\x01\x7F", 1, base + "epic/%C3%9C%01%7F?1"},
      {"steam", "", 1, base + "steam/?1"},
      {"steam", "1", 2147483647, base + "steam/1?2147483647"},
      {"steam", "1", 2147483648, base + "steam/1?-2147483648"},
      {"steam", "1", -1, base + "steam/1?-1"},
      {"steam", "1", 4294967301, base + "steam/1?5"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(webProfileUrl(row.platform, row.id, row.time), row.url) << row.id;
  }
}

TEST(WebLookup, AWorkerSendsNothingOnceThePluginIsUnloaded) {
  for (bool unloaded : {false, true}) {
    Harness harness;
    rankwatch& plugin = webTracked(harness);
    const WebLookupJob job{plugin.line(), "76561198000000001", "steam", 11};
    if (unloaded) plugin.onUnload();
    harness.calls();
    fetchWebMmr(job);  // the worker's whole body, here on the test's thread
    EXPECT_EQ(harness.calls(), unloaded ? 0 : 1) << unloaded;
  }
}

TEST(WebLookup, FramesAndTimersRunWhileAReplyIsHeldBack) {
  Harness harness;
  rankwatch& plugin = webTracked(harness);
  // The lookup is held in the host's request call until the turns below are done. A turn that
  // waited for it would last the whole hold, 30 s, many times what fifty turns need on a busy
  // machine, and the rating would be in after it.
  harness.host->web().setSendDelay(30s);
  harness.host->gui().frame();  // the first frame sets the renderer up

  int ticks = 0;
  std::function<void()> tick = [&] {
    ++ticks;
    harness.host->game().setTimeout(nullptr, tick, 0.01f);
  };
  tick();
  plugin.refreshMmr(5);
  for (int turn = 0; turn < 50; ++turn) {
    harness.wait(0.01);
    harness.host->gui().frame();
  }
  EXPECT_EQ(*plugin.currentMmr, 0.0f) << "a game-thread turn waited for the network";
  EXPECT_GE(ticks, 50);
  harness.host->web().setSendDelay(0ms);
  ASSERT_TRUE(harness.settled(1));
  EXPECT_EQ(*plugin.currentMmr, 1000.0f);
}

TEST(WebLookup, AReplyAfterTheUnloadTouchesNothingAndAsksNothingOfTheHost) {
  enum class Then { StaysLoaded, Unloaded, Destroyed, UnloadedWhileApplying };
  const struct {
    Then then;
    int applied;
  } rows[] = {
      {Then::StaysLoaded, 1},
      {Then::Unloaded, 0},
      {Then::Destroyed, 0},
      {Then::UnloadedWhileApplying, 1},  // the unload waits for it, and the object outlives it
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.then));
    Harness harness;
    harness.output.setTracing(true);
    std::thread unloader;
    {
      Recording& plugin = webTracked<Recording>(harness);
      harness.stats.setDelay(10min);  // in flight until let go below
      Recording::applied = 0;
      Recording::holdNext = row.then == Then::UnloadedWhileApplying;
      Recording::holding = Recording::letGo = Recording::endedFirst = Recording::ended = false;
      plugin.refreshMmr(5);
      ASSERT_TRUE(until([&] { return harness.host->http().inFlight() == 1; }));
      if (row.then == Then::Unloaded) plugin.onUnload();
      if (row.then == Then::UnloadedWhileApplying) {
        harness.stats.setDelay(0ms);
        ASSERT_TRUE(until([] { return Recording::holding.load(); }));
        // The whole unload on another thread: onUnload, then the host's owner goes.
        unloader = std::thread([&] {
          plugin.onUnload();
          harness.slot->owner.reset();
        });
        // The unloader's calls into the host wait for the game thread's turn: it lets go here.
        bool cut = false;
        harness.host->turn().awayFor([&] { cut = until([&] { return !plugin.line()->open(); }); });
        ASSERT_TRUE(cut);
        Recording::letGo = true;
      }
    }
    if (row.then == Then::Destroyed) harness.slot->owner.reset();
    harness.stats.setDelay(0ms);
    if (unloader.joinable()) harness.host->turn().awayFor([&] { unloader.join(); });
    ASSERT_TRUE(harness.host->http().waitIdle(10s));
    harness.wait(1);
    EXPECT_TRUE(harness.traced("GameWrapper::Execute").empty()) << "the rating needs no hand-over";
    EXPECT_EQ(Recording::applied, row.applied);
    EXPECT_FALSE(Recording::endedFirst) << "the object ended under a rating being applied";
  }
}

TEST(WebLookup, ManyRepliesLandAtOnceWhileFramesDrawAndTimersFire) {
  Harness harness;
  Recording& plugin = webTracked<Recording>(harness);
  harness.console("openmenu rankwatch");
  plugin.refreshMmr(5);
  ASSERT_TRUE(harness.settled(1));
  ASSERT_EQ(*plugin.currentMmr, 1000.0f);
  harness.stats.setDelay(20ms);  // lookups overlap, and replies come back in bunches
  Recording::applied = 0;
  std::function<void()> tick = [&] { harness.host->game().setTimeout(nullptr, tick, 0.005f); };
  tick();
  int rating = 1000;
  int lookups = 0;
  for (int round = 0; round < 40; ++round) {
    rating += round % 3 == 0 ? -7 : 11;
    harness.stats.setRating(11, rating);
    for (int i = 0; i < 5; ++i, ++lookups) harness.notify("76561198000000001");
    harness.wait(0.01);
    harness.host->gui().frame();
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_TRUE(harness.settled(1 + lookups));
  EXPECT_EQ(Recording::applied, lookups);
  // Replies may land in any order, but each one that counted moved the change by exactly the
  // step from the rating before it: the change is the last rating taken less the first.
  EXPECT_EQ(*plugin.mmrChange, *plugin.currentMmr - 1000.0f);
}

TEST(WebLookup, TheSdkAddsItsHeadersAndReportsARequestWithoutAReplyAs418) {
  Harness harness;
  harness.serveStats();
  struct Row {
    const char* what;
    std::function<void()> arrange;
    std::map<std::string, std::string> headers;
    int status;
    std::vector<std::pair<std::string, std::string>> seen;
  };
  const Row rows[] = {
      {"a profile",
       [] {},
       {},
       200,
       {{"Accept", "application/json"}, {"Content-Type", "application/json"}}},
      {"its own, in any case",
       [] {},
       {{"accept", "text/html"}, {"CONTENT-TYPE", "text/plain"}},
       200,
       {{"accept", "text/html"}, {"CONTENT-TYPE", "text/plain"}}},
      {"an error status", [&] { harness.stats.forceReply(500, ""); }, {}, 500, {}},
      {"no reply", [&] { harness.stats.dropNext(); }, {}, 418, {}},
  };
  for (const Row& row : rows) {
    row.arrange();
    std::atomic<int> status{-1};
    CurlRequest request;
    request.url = std::string(kStatsServiceOrigin) +
                  "/api/v2/rocket-league/standard/profile/steam/" + "76561198000000001";
    request.headers = row.headers;
    HttpWrapper::SendCurlJsonRequest(request, [&](int code, std::string) { status = code; });
    ASSERT_TRUE(until([&] { return status != -1; })) << row.what;
    EXPECT_EQ(status, row.status) << row.what;
    if (!row.seen.empty()) {
      EXPECT_EQ(harness.stats.lastRequest()->headers, row.seen) << row.what;
    }
  }
}

TEST(WebLookup, EveryJobHandedToTheWorkersRunsHoweverTheirEndsAndStartsInterleave) {
  std::atomic<int> ran{0};
  std::atomic<bool> release{false};
  for (int round = 0; round < 100; ++round) {
    // A worker busy until released, a job for the one parked, and more while the first ends
    // and parks in its turn: each must run once.
    release = false;
    workers::start([&] {
      while (!release) std::this_thread::yield();
      ++ran;
    });
    workers::start([&] { ++ran; });
    release = true;
    for (int i = 0; i < 3; ++i) workers::start([&] { ++ran; });
  }
  EXPECT_TRUE(workers::awaitAll(std::chrono::minutes(1))) << "a job never ended";
  EXPECT_EQ(ran, 500);
  // As an unload would: no worker stays parked for the next test.
  workers::letGo();
  EXPECT_TRUE(workers::awaitAll(std::chrono::minutes(1)));
}

TEST(WebLookup, AWorkerThatCannotStartChangesNothing) {
  Harness h;
  rankwatch& p = h.loadEnabled("web");
  workers::awaitAll(std::chrono::minutes(1));
  const long sent = h.host->web().requestsSent();
  testing_support::withoutNewThreads([&] { EXPECT_NO_THROW(p.refreshMmr(5)); });
  workers::awaitAll(std::chrono::minutes(1));
  EXPECT_EQ(h.host->web().requestsSent(), sent) << "the worker started: nothing failed";
  EXPECT_EQ(*p.trackedPlaylist, 11);
  EXPECT_EQ(*p.currentMmr, 0.0f);
  EXPECT_FALSE(h.host->game().nextDue());

  // Nothing was left behind: the next lookup goes out.
  p.refreshMmr(5);
  workers::awaitAll(std::chrono::minutes(1));
  EXPECT_EQ(h.host->web().requestsSent(), sent + 1);
}
