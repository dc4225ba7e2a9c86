// The soak: many simulated matches in virtual time through the host, with the plugin library
// loaded as a user loads it. The test keeps its own count of what the tally must show and
// compares the overlay's lines with it along the way and at the end; memory must stay flat.
// RANKWATCH_SOAK_MATCHES sets the number of matches (default 100,000), RANKWATCH_SOAK_SEED
// the random seed.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <streambuf>
#include <string>

#include "scenario.h"

namespace {

// Output nobody reads: the host's last line is all the test looks at.
struct Discard : std::streambuf {
  int overflow(int c) override { return c; }
};

long residentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long fromEnvironment(const char* name, long fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtol(text, nullptr, 10) : fallback;
}

// What the tally must show, counted the way the README describes it: a first rating only
// starts the count, a rise is a win, a drop a loss, and the change adds up.
struct Expected {
  int wins = 0;
  int losses = 0;
  int streak = 0;
  long change = 0;
  int current = 0;  // ratings are whole numbers here, so float sums stay exact

  void rating(int value) {
    if (current == 0 || value == current) {
      current = value;
      return;
    }
    change += value - current;
    value > current ? win() : loss();
    current = value;
  }
  void win() {
    ++wins;
    streak = streak < 0 ? 1 : streak + 1;
  }
  void loss() {
    ++losses;
    streak = streak > 0 ? -1 : streak - 1;
  }

  std::string frame() const {
    char text[160];
    std::snprintf(text, sizeof text,
                  "frame: MMR : %s%ld.00 | Streak : %s%d | Wins : %d | Losses : %d",
                  change >= 0 ? "+" : "", change, streak > 0 ? "+" : "", streak, wins, losses);
    return text;
  }
};

class Soak {
 public:
  Soak() : stream_(&discard_), output_(stream_) {
    options_.pluginFolder = std::filesystem::path(RANKWATCH_PLUGIN_FILE).parent_path();
    session_ = std::make_unique<host::Session>(output_, options_);
  }

  void run(const std::string& statement) {
    ASSERT_EQ(session_->run(statement, "soak"), host::Session::Result::Ok) << statement;
  }
  std::string last() const { return output_.lastLine(); }

 private:
  Discard discard_;
  std::ostream stream_;
  host::Output output_;
  host::SessionOptions options_;
  std::unique_ptr<host::Session> session_;
};

}  // namespace

TEST(Soak, TheTallyMatchesAnIndependentCountAndMemoryStaysFlat) {
  const long matches = fromEnvironment("RANKWATCH_SOAK_MATCHES", 100000);
  const auto seed = static_cast<std::uint32_t>(fromEnvironment("RANKWATCH_SOAK_SEED", 20240611));
  std::mt19937 random(seed);
  auto chance = [&](int in) { return std::uniform_int_distribution<int>(1, in)(random) == 1; };
  SCOPED_TRACE("seed " + std::to_string(seed));

  Soak soak;
  Expected expected;
  std::map<int, int> ratings = {{11, 1000}, {13, 1500}};
  int playlist = 11;
  for (const auto& [id, value] : ratings)
    soak.run("rating " + std::to_string(id) + " " + std::to_string(value));
  soak.run("playlist 11");
  soak.run("load");
  soak.run("console rankwatch_singlequeue 0");
  soak.run("console rankwatch_enabled 1");  // opens the window
  soak.run("wait 1");
  soak.run("event Function TAGame.GameEvent_TA.StartEvent");
  expected.rating(ratings[playlist]);

  long baseline = 0;
  long counted = 0;  // wins and losses over the whole run, resets included
  int resets = 0;
  for (long match = 1; match <= matches; ++match) {
    if (chance(40)) {
      // Another playlist: its first rating only starts the count again.
      playlist = playlist == 11 ? 13 : 11;
      soak.run("playlist " + std::to_string(playlist));
      expected.current = 0;
    }
    soak.run("event Function TAGame.GameEvent_TA.StartEvent");
    expected.rating(ratings[playlist]);

    int& rating = ratings[playlist];
    rating += std::uniform_int_distribution<int>(-25, 25)(random);
    rating = rating < 100 ? 100 : rating > 3000 ? 3000 : rating;
    soak.run("rating " + std::to_string(playlist) + " " + std::to_string(rating));
    // Now and then the service needs a while: the match end's retries catch it.
    if (chance(8)) soak.run("unsynced " + std::to_string(playlist) + " 2.5");
    soak.run("event Function TAGame.GameEvent_Soccar_TA.EventMatchEnded");
    soak.run("event Function TAGame.GameEvent_Soccar_TA.Destroyed");
    if (chance(5)) soak.run("notify");
    soak.run("wait 6");
    expected.rating(rating);

    if (chance(500)) {
      soak.run("console rankwatch_addwin");
      expected.win();
    } else if (chance(500)) {
      soak.run("console rankwatch_addloss");
      expected.loss();
    } else if (chance(2000)) {
      soak.run("console rankwatch_reset");  // reads the rating again at once
      counted += expected.wins + expected.losses;
      ++resets;
      expected = Expected();
      expected.rating(rating);
    }
    if (chance(10) || match % 1000 == 0 || match == matches) {
      soak.run("frame");
      ASSERT_EQ(soak.last(), expected.frame()) << "after match " << match;
    }
    if (match == 1000) baseline = residentKilobytes();
  }
  soak.run("unload");

  counted += expected.wins + expected.losses;
  std::printf(
      "soak: %ld matches, %ld wins and losses counted, %d resets; resident %ld kB after 1000 "
      "matches, %ld kB at the end\n",
      matches, counted, resets, baseline, residentKilobytes());
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  // The sanitizers hold freed memory back on purpose; there the leak check speaks instead.
  if (matches >= 2000) {
    EXPECT_LE(residentKilobytes() - baseline, 1024);
  }
#endif
}
