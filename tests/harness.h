#pragma once

// A stand-in host in the test's own process, with a rankwatch object loaded into it the way
// the host loads any plugin. Tests reach the plugin's fields directly and the host through
// its parts.

#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host.h"
#include "net/stats_service.h"
#include "rankwatch.h"

namespace testing_support {

// The four game functions the plugin hooks.
inline const char* const kHookedEvents[] = {
    "Function TAGame.GameEvent_TA.StartEvent",
    "Function GameEvent_Soccar_TA.Active.StartRound",
    "Function TAGame.GameEvent_Soccar_TA.EventMatchEnded",
    "Function TAGame.GameEvent_Soccar_TA.Destroyed",
};

// Waits until `done` holds, looking every millisecond; false after ten seconds without.
bool until(const std::function<bool()>& done);

// Runs `work` while no new thread can start: each asks for a stack larger than the address
// space.
void withoutNewThreads(const std::function<void()>& work);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class Harness {
 public:
  Harness();
  ~Harness();

  // Adopts a plugin object (a rankwatch unless the test brings a subclass) and loads it.
  template <typename Plugin = rankwatch>
  Plugin& load() {
    auto object = std::make_shared<Plugin>();
    Plugin& plugin = *object;
    slot = host->plugins().adopt("rankwatch", std::move(object));
    return plugin;
  }

  // The usual start: loaded and switched on, its window closed again, reading the rating by
  // `method`, in playlist 11; what it printed and asked for so far taken.
  template <typename Plugin = rankwatch>
  Plugin& loadEnabled(const std::string& method = "bakkesmod") {
    Plugin& plugin = load<Plugin>();
    console("rankwatch_enabled 1");
    if (method != "bakkesmod") console("rankwatch_trackingmethod " + method);
    console("closemenu rankwatch");
    ratings.setPlaylist(11);
    lines();
    calls();
    return plugin;
  }

  void console(const std::string& line) { host->console().execute(line); }
  // Turns the game thread until `requests` web requests have been sent in all and no reply is
  // still to come or being taken: then what the replies did to the tally may be read. False
  // after ten seconds.
  bool settled(long requests);
  void wait(double seconds) { host->game().pass(host::toMicros(seconds)); }
  void event(const std::string& name) { host->game().fire(name); }
  void notify(const std::string& id);
  // The host's output lines since the last call.
  std::vector<std::string> lines();
  // SDK calls the plugin made since the last call.
  long calls();
  // The traced SDK calls since the last lines() whose text holds `call`, as
  // "<game time> <call and result>".
  std::vector<std::string> traced(const std::string& call);

  TempFolder folder;
  std::ostringstream stream;
  host::Output output{stream};
  host::Clock clock{host::Clock::Mode::Virtual};
  host::RatingService ratings{clock};
  // Serves the stats service's requests from here on; until then they are refused at once on
  // this machine. Tests never reach the network.
  host::StatsService& serveStats();

  host::StatsService stats;
  std::unique_ptr<host::Host> host;
  host::PluginSlot* slot = nullptr;

 private:
  size_t consumed_ = 0;
};

}  // namespace testing_support
