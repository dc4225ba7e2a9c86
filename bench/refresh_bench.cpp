#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>

#include "host.h"
#include "rankwatch.h"

// The game thread's cost of one rating read on the host path: refreshMmr asking the host's
// rating service for a synced rating and counting it, against the same four questions asked of
// the rating service directly, which is what the plugin cannot do without.

namespace {

struct World {
  std::ostringstream stream;
  host::Output output{stream};
  host::Clock clock{host::Clock::Mode::Virtual};
  host::RatingService ratings{clock};
  host::Host host{output, clock, ratings, {}};
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
  auto plugin = std::make_shared<rankwatch>();
  world.host.adopt("rankwatch", plugin);
  world.host.console().execute("rankwatch_enabled 1");
  world.ratings.setPlaylist(11);
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

}  // namespace

BENCHMARK(BM_RatingQueries);
BENCHMARK(BM_RefreshMmrHostPath);
