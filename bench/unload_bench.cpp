// What an unload costs the game thread, with the plugin library as a player loads it: with a
// lookup's worker parked (its lookup done, waiting for the next), and with a lookup in flight
// (its reply held back by the local stats service), against a load alone. Each iteration loads
// the library afresh; only the game thread's call is timed. The worst iteration of each
// repetition is its `worst` counter.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>

#include "host_world.h"
#include "net/stats_service.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kLibrary =
    std::string(RANKWATCH_PLUGIN_DIR) + "/rankwatch" + host::kLibrarySuffix;

struct World : HostWorld {
  host::StatsService stats;

  explicit World(benchmark::State& state) {
    std::string error;
    if (!stats.start(error)) state.SkipWithError(error.c_str());
    stats.setPlayer("steam", "76561198000000001");
    stats.setRating(11, 1000);
    host.web().setStatsUrl(stats.base());
    ratings.setPlaylist(11);
  }

  template <typename Done>
  bool waitFor(Done done) {
    const auto until = Clock::now() + std::chrono::seconds(10);
    while (!done()) {
      if (Clock::now() > until) return false;
      host.turn().awayFor([] { std::this_thread::sleep_for(std::chrono::microseconds(200)); });
    }
    return true;
  }

  // Loads the plugin, tracking ratings on the web, and starts a lookup; true once it has been
  // sent, and, unless `inFlight`, once its reply has come and its worker parked again.
  bool loadAndLook(bool inFlight) {
    std::string error;
    if (!host.plugins().load(kLibrary, error)) return false;
    host.console().execute("rankwatch_enabled 1");
    host.console().execute("rankwatch_trackingmethod web");
    const long sent = host.web().requestsSent();
    ratings.notify(host.calls(), ratings.player());
    if (!waitFor([&] { return host.web().requestsSent() > sent; })) return false;
    return waitFor([&] { return (host.http().inFlight() > 0) == inFlight; });
  }
};

double seconds(Clock::duration span) {
  return std::chrono::duration<double>(span).count();
}

void BM_LoadAlone(benchmark::State& state) {
  World world(state);
  double worst = 0;
  for (auto _ : state) {
    std::string error;
    const auto start = Clock::now();
    const bool loaded = world.host.plugins().load(kLibrary, error);
    const double took = seconds(Clock::now() - start);
    if (!loaded) state.SkipWithError(error.c_str());
    state.SetIterationTime(took);
    worst = std::max(worst, took);
    world.host.plugins().unload("rankwatch", error);
  }
  state.counters["worst"] = worst;
}

// Arg 0: the worker parked; 1: the lookup in flight.
void BM_Unload(benchmark::State& state) {
  World world(state);
  const bool inFlight = state.range(0) == 1;
  world.stats.setDelay(std::chrono::milliseconds(inFlight ? 50 : 0));
  double worst = 0;
  for (auto _ : state) {
    if (!world.loadAndLook(inFlight)) state.SkipWithError("the lookup did not go as planned");
    std::string error;
    const auto start = Clock::now();
    world.host.plugins().unload("rankwatch", error);
    const double took = seconds(Clock::now() - start);
    state.SetIterationTime(took);
    worst = std::max(worst, took);
    world.waitFor([&] { return world.host.http().inFlight() == 0; });
  }
  state.counters["worst"] = worst;
}

}  // namespace

BENCHMARK(BM_LoadAlone)->UseManualTime()->Iterations(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Unload)
    ->ArgName("in_flight")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(50)
    ->Unit(benchmark::kMicrosecond);
