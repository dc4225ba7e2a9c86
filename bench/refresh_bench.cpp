// The game thread's cost of one rating read. On the host path: refreshMmr asking the host's
// rating service for a synced rating and counting it, against the same four questions asked of
// the rating service directly, which is what the plugin cannot do without. On the web path:
// refreshMmr handing a lookup to a worker of its own, against starting a thread that does
// nothing.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <thread>

#include "host_world.h"
#include "rankwatch.h"
#include "web_lookup.h"
#include "workers.h"

namespace {

struct World : HostWorld {
  std::shared_ptr<rankwatch> load(const char* trackingMethod) {
    auto plugin = std::make_shared<rankwatch>();
    host.plugins().adopt("rankwatch", plugin);
    host.console().execute("rankwatch_enabled 1");
    host.console().execute(std::string("rankwatch_trackingmethod ") + trackingMethod);
    ratings.setPlaylist(11);
    return plugin;
  }
};

void BM_RatingQueries(benchmark::State& state) {
  World world;
  world.ratings.setPlaylist(11);
  const UniqueIDWrapper player = world.ratings.player();
  float rating = 1000.0f;
  for (auto _ : state) {
    world.ratings.setRating(11, rating);
    rating = rating == 1000.0f ? 1001.0f : 1000.0f;
    const int playlist = world.ratings.playlist();
    bool ready = world.ratings.isSynced(player, playlist) && !world.ratings.isSyncing(player);
    benchmark::DoNotOptimize(ready);
    benchmark::DoNotOptimize(world.ratings.rating(player, playlist));
  }
}

void BM_RefreshMmrHostPath(benchmark::State& state) {
  World world;
  auto plugin = world.load("bakkesmod");
  world.ratings.setRating(11, 1000.0f);
  plugin->refreshMmr(5);  // takes the playlist and the first rating
  float rating = 1001.0f;
  for (auto _ : state) {
    // Every read finds a new rating, so the tally counts each one.
    world.ratings.setRating(11, rating);
    rating = rating == 1000.0f ? 1001.0f : 1000.0f;
    plugin->refreshMmr(5);
  }
  if (*plugin->wins + *plugin->losses < static_cast<int>(state.iterations())) {
    state.SkipWithError("a read was not counted");
  }
}

// Each hand-off is timed alone, on a machine with no lookup under way, as a game makes them:
// seconds apart. What follows on other threads is left out, as the game thread never waits
// for it. Both cases start one a millisecond, once the last has ended: a thread started right
// after another ended finds the system's caches warm, which a game's lookups never do.
constexpr auto kHandOffPeriod = std::chrono::milliseconds(1);

void BM_StartThread(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::thread thread([] {});
    const auto end = std::chrono::steady_clock::now();
    thread.join();
    std::this_thread::sleep_until(start + kHandOffPeriod);
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}

void BM_RefreshMmrWebHandOff(benchmark::State& state) {
  World world;
  world.host.web().setStatsUrl("http://127.0.0.1:0");  // nothing listens there: refused at once
  auto plugin = world.load("web");
  const long before = world.host.web().requestsSent();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    plugin->refreshMmr(5);
    const auto end = std::chrono::steady_clock::now();
    workers::awaitAll(std::chrono::minutes(1));
    world.host.http().waitIdle(std::chrono::seconds(10));
    if (state.range(0) == 0) workers::letGo();  // no thread parked: the next one starts
    std::this_thread::sleep_until(start + kHandOffPeriod);
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  if (world.host.web().requestsSent() - before != static_cast<long>(state.iterations())) {
    state.SkipWithError("a lookup was not sent");
  }
}

}  // namespace

// Hand-offs are timed by hand at microseconds each while every turn takes a millisecond or
// more: run until the library's default measured time, a repetition would take minutes.
constexpr int kHandOffs = 2000;

BENCHMARK(BM_RatingQueries);
BENCHMARK(BM_RefreshMmrHostPath);
BENCHMARK(BM_StartThread)->UseManualTime()->Iterations(kHandOffs)->Unit(benchmark::kMicrosecond);
// parked:0 is the first lookup after a load, parked:1 every later one.
BENCHMARK(BM_RefreshMmrWebHandOff)
    ->ArgName("parked")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(kHandOffs)
    ->Unit(benchmark::kMicrosecond);
