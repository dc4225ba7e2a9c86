// Reading a profile reply of about 100 KB, against a bare parse of the same body with the same
// JSON library: what the reading adds to the parse it cannot avoid.

#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>
#include <string>

#include "web_reply.h"

namespace {

// Forty playlist segments with the service's usual clutter, the wanted one last.
std::string profile() {
  nlohmann::json segments = nlohmann::json::array();
  for (int i = 0; i < 40; ++i) {
    nlohmann::json stats;
    for (const char* name : {"tier", "division", "matchesPlayed", "winStreak", "goals", "saves",
                             "assists", "shots", "mvps", "goalShotRatio"}) {
      stats[name] = {{"rank", nullptr},
                     {"percentile", 51.5},
                     {"displayName", name},
                     {"displayCategory", "Performance"},
                     {"metadata", {{"name", "Silver III"}, {"iconUrl", std::string(120, 'u')}}},
                     {"value", i * 7},
                     {"displayValue", std::to_string(i * 7)}};
    }
    stats["rating"] = {{"value", 1000 + i}, {"displayValue", std::to_string(1000 + i)}};
    segments.push_back({{"type", "playlist"},
                        {"attributes", {{"playlistId", i == 39 ? 11 : 100 + i}, {"season", 25}}},
                        {"metadata", {{"name", "Ranked Doubles 2v2"}}},
                        {"stats", std::move(stats)}});
  }
  return nlohmann::json{{"data", {{"segments", std::move(segments)}}}}.dump();
}

void BM_BareParse(benchmark::State& state) {
  const std::string body = profile();
  for (auto _ : state) benchmark::DoNotOptimize(nlohmann::json::parse(body));
  state.counters["bytes"] = static_cast<double>(body.size());
}

void BM_ReadWebReply(benchmark::State& state) {
  const std::string body = profile();
  for (auto _ : state) benchmark::DoNotOptimize(readWebReply(200, body, 11));
  state.counters["bytes"] = static_cast<double>(body.size());
}

}  // namespace

BENCHMARK(BM_BareParse)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadWebReply)->Unit(benchmark::kMicrosecond);
