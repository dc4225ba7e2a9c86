#pragma once

// Scenarios: the statements a scenario file or an interactive user gives the host, and the
// world they play in. A Session outlives the hosts it starts, so `restart` can start a fresh
// host on the same config folder, in the same game time and rating service.
//
//   # comment
//   config <folder>                     use this config folder (before the first load)
//   player <platform-number> <id-text>  the local player
//   playlist <id>                       the rating service's current playlist
//   rating <playlist> <value>           the local player's rating there, synced
//   unsynced <playlist> [<seconds>]     not synced; synced after <seconds> if given
//   syncing on|off                      whether a sync is under way
//   load | unload                       load or unload the plugin from the plugin folder
//   restart                             unload, save, start a fresh host, load
//   console <line>                      a console line, as typed by the user
//   event <game function name>          the game runs that function (hooks fire)
//   notify [<id-text>]                  a rating-change notification (default: local player)
//   wait <seconds>                      game time passes
//   frame                               one GUI frame
//   window <title>                      what the GUI holds for that window after the last frame
//   screenshot <file.png>               a picture of the last frame
//   calls                               "calls: N", SDK calls made by plugins since the last
//   trace on|off                        print every SDK call from here on, or stop
//   expect <text>                       the previous output line must equal <text>
//   quit                                stop here (interactive use)

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "clock.h"
#include "host.h"
#include "output.h"
#include "rating_service.h"

namespace host {

struct SessionOptions {
  std::filesystem::path pluginFolder;
  // Empty: a scenario file gets a fresh temporary folder, removed at exit.
  std::filesystem::path configFolder;
  bool trace = false;
  // Show the game screen in a window on the display.
  bool window = false;
  Clock::Mode time = Clock::Mode::Virtual;
};

class Session {
 public:
  enum class Result { Ok = 0, ExpectFailed = 1, BadScenario = 2 };

  Session(Output& output, SessionOptions options);
  ~Session();

  // Runs statements until the end, a failed `expect` or a bad statement.
  Result runFile(const std::filesystem::path& file);
  // Statements from a stream (a user at the console): errors are reported and the run goes
  // on; in real time, timers fire between lines.
  Result runInteractive(std::istream& in);
  // One statement; `where` names it in messages ("file:line").
  Result run(const std::string& statement, const std::string& where);

  Host& host();
  bool quitting() const { return quit_; }
  // The folder settings are kept in; empty until the first host starts.
  const std::filesystem::path& configFolder() const { return options_.configFolder; }

 private:
  bool ensureConfigFolder();
  void startHost();
  std::string pluginPath() const;
  Result bad(const std::string& where, const std::string& message);

  Output& output_;
  SessionOptions options_;
  Clock clock_;
  RatingService ratings_;
  std::filesystem::path temporaryFolder_;
  std::unique_ptr<Host> host_;
  bool loadedOnce_ = false;
  bool quit_ = false;
};

}  // namespace host
