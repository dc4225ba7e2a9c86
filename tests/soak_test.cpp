// The soak: many simulated matches in virtual time through the host, with the plugin library
// loaded as a user loads it, once reading the rating from the host's rating service and once
// from the local stats service over HTTP. The test keeps its own count of what the tally must
// show and compares the overlay's lines with it along the way and at the end; memory must stay
// flat. RANKWATCH_SOAK_MATCHES sets the number of matches of both (default: 100,000 on the
// host path; 2,000 on the web path, whose every match makes three real requests);
// RANKWATCH_SOAK_SEED the random seed.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <streambuf>
#include <string>
#include <thread>

#include "script/session.h"

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

// Each thread's stack is a mapping of its own until the thread is joined.
long mappings() {
  std::ifstream maps("/proc/self/maps");
  long count = 0;
  for (std::string line; std::getline(maps, line);) ++count;
  return count;
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
    options_.localStats = true;  // never the public service
    session_ = std::make_unique<host::Session>(output_, options_);
  }

  void run(const std::string& statement) {
    ASSERT_EQ(session_->run(statement, "soak"), host::Session::Result::Ok) << statement;
  }
  std::string last() const { return output_.lastLine(); }

  // Web path: waits until the host has taken `more` requests beyond those waited for before,
  // and every reply has been handed to the game thread and applied there.
  void settle(int more) {
    requests_ += more;
    host::Host& host = session_->host();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      host.game().pass(0);
      if (host.web().requestsSent() >= requests_ && host.http().inFlight() == 0 &&
          !host.game().hasPosted()) {
        return;
      }
      ASSERT_LT(std::chrono::steady_clock::now(), limit)
          << host.web().requestsSent() << " of " << requests_ << " requests sent";
      if (!host.http().waitIdle(std::chrono::milliseconds(5))) continue;
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  }

 private:
  Discard discard_;
  std::ostream stream_;
  host::Output output_;
  host::SessionOptions options_;
  std::unique_ptr<host::Session> session_;
  long requests_ = 0;
};

enum class Path { Host, Web };

void play(Path path, long matches) {
  const bool web = path == Path::Web;
  const auto seed = static_cast<std::uint32_t>(fromEnvironment("RANKWATCH_SOAK_SEED", 20240611));
  std::mt19937 random(seed);
  auto chance = [&](int in) { return std::uniform_int_distribution<int>(1, in)(random) == 1; };
  SCOPED_TRACE("seed " + std::to_string(seed));
  // A rating read: the rating service's answer, or a lookup whose reply the game thread takes.
  const std::string source = web ? "stats " : "rating ";
  auto reads = [&](Soak& soak, int lookups) {
    if (web) soak.settle(lookups);
  };

  Soak soak;
  Expected expected;
  std::map<int, int> ratings = {{11, 1000}, {13, 1500}};
  int playlist = 11;
  for (const auto& [id, value] : ratings) {
    soak.run(source + std::to_string(id) + " " + std::to_string(value));
  }
  soak.run("playlist 11");
  soak.run("load");
  soak.run("console rankwatch_singlequeue 0");
  soak.run("console rankwatch_enabled 1");  // opens the window
  soak.run("wait 1");
  if (web) {
    soak.run("console rankwatch_trackingmethod web");  // starts afresh, and looks up at once
    reads(soak, 1);
  }
  soak.run("event Function TAGame.GameEvent_TA.StartEvent");
  reads(soak, 1);
  expected.rating(ratings[playlist]);
  if (::testing::Test::HasFatalFailure()) return;

  long baseline = 0;
  long baselineMappings = 0;
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
    reads(soak, 1);
    expected.rating(ratings[playlist]);

    int& rating = ratings[playlist];
    rating += std::uniform_int_distribution<int>(-25, 25)(random);
    rating = rating < 100 ? 100 : rating > 3000 ? 3000 : rating;
    soak.run(source + std::to_string(playlist) + " " + std::to_string(rating));
    // Now and then a read fails: the host's service needs a while, and the match end's
    // retries catch it; the web service fails one of the two lookups, and the other counts.
    if (chance(8)) {
      soak.run(!web        ? "unsynced " + std::to_string(playlist) + " 2.5"
               : chance(2) ? std::string("stats-reply drop")
                           : std::string("stats-reply 429"));
    }
    soak.run("event Function TAGame.GameEvent_Soccar_TA.EventMatchEnded");
    soak.run("event Function TAGame.GameEvent_Soccar_TA.Destroyed");
    soak.run("wait 6");
    reads(soak, 2);
    if (chance(5)) {
      soak.run("notify");
      reads(soak, 1);
    }
    expected.rating(rating);

    if (chance(500)) {
      soak.run("console rankwatch_addwin");
      expected.win();
    } else if (chance(500)) {
      soak.run("console rankwatch_addloss");
      expected.loss();
    } else if (chance(2000)) {
      soak.run("console rankwatch_reset");  // reads the rating again at once
      reads(soak, 1);
      counted += expected.wins + expected.losses;
      ++resets;
      expected = Expected();
      expected.rating(rating);
    }
    if (chance(10) || match % 1000 == 0 || match == matches) {
      soak.run("frame");
      ASSERT_EQ(soak.last(), expected.frame()) << "after match " << match;
    }
    if (::testing::Test::HasFatalFailure()) return;
    if (match == 1000) {
      baseline = residentKilobytes();
      baselineMappings = mappings();
    }
  }
  // Read while loaded: the unload joins every worker left, which would hide any kept till then.
  const long loadedMappings = mappings();
  const long loadedResident = residentKilobytes();
  soak.run("unload");

  counted += expected.wins + expected.losses;
  std::printf(
      "soak: %s path, %ld matches, %ld wins and losses counted, %d resets; resident %ld kB after "
      "1000 matches, %ld kB before the unload, %ld kB at the end; %ld memory mappings after "
      "1000 matches, %ld before the unload\n",
      web ? "web" : "host", matches, counted, resets, baseline, loadedResident, residentKilobytes(),
      baselineMappings, loadedMappings);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  // The sanitizers hold freed memory back on purpose; there the leak check speaks instead.
  if (matches >= 2000) {
    EXPECT_LE(loadedMappings - baselineMappings, 16);
    EXPECT_LE(loadedResident - baseline, 1024);
    EXPECT_LE(residentKilobytes() - baseline, 1024);
  }
#endif
}

}  // namespace

TEST(Soak, HostPathTallyMatchesAnIndependentCountAndMemoryStaysFlat) {
  play(Path::Host, fromEnvironment("RANKWATCH_SOAK_MATCHES", 100000));
}

TEST(Soak, WebPathTallyMatchesAnIndependentCountAndMemoryStaysFlat) {
  play(Path::Web, fromEnvironment("RANKWATCH_SOAK_MATCHES", 2000));
}
