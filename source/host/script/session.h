#pragma once

// Scenarios: the statements a scenario file or an interactive user gives the host, and the
// world they play in. A Session outlives the hosts it starts, so `restart` can start a fresh
// host on the same config folder, in the same game time and rating service.
//
// Each statement is a row of statements.cpp's table. A scenario file runs in virtual time, each
// statement at once; an interactive run in real time (interactive.cpp).

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "clock.h"
#include "host.h"
#include "net/stats_service.h"
#include "output.h"
#include "rating_service.h"
#include "script/line_reader.h"

namespace host {

struct Call;
struct Statement;

struct SessionOptions {
  std::filesystem::path pluginFolder;
  // Empty: a scenario file gets a fresh temporary folder, removed at exit.
  std::filesystem::path configFolder;
  bool trace = false;
  // Show the game screen in a window on the display.
  bool window = false;
  Clock::Mode time = Clock::Mode::Virtual;
  // A person types the input: `quit` and the end of the input (Ctrl-D) end a wait early. Input
  // from a file or a pipe runs in order, waits included, as a scenario file does.
  bool person = false;
  // Show a prompt: a person types and reads the output on a terminal.
  bool prompt = false;
  // Where an interactive run sends the stats service's requests: a base URL of its own, or the
  // local stand-in, started with the session. Neither: the public service. Scenario files always
  // use the stand-in.
  std::string statsUrl;
  bool localStats = false;
  // Where each plugin's onLoad runs when a load does not say: as its record says, or forced.
  PluginThread loadThread = PluginThread::Record;
  // GameWrapper::Execute from other threads waits until the game thread runs no plugin code.
  bool executeWaits = false;
};

class Session {
 public:
  // The exit status of each, but Stopped: a stop request (Ctrl-C) ended the run between
  // statements. PictureNotWritten: the run went through, but a screenshot failed.
  // UnloadedPluginCalled: the run went through, but a hook or rating registration an unloaded
  // plugin left behind would have been called (`unload keeping`). DisplayLost: the live
  // window's display went away.
  enum class Result {
    Ok = 0,
    ExpectFailed = 1,
    BadScenario = 2,
    PictureNotWritten = 4,
    UnloadedPluginCalled = 5,
    DisplayLost = 6,
    Stopped
  };

  Session(Output& output, SessionOptions options);
  // Finishes if that has not happened yet.
  ~Session();

  // Runs statements until the end, a failed `expect`, a bad statement, a stop request or the
  // live window's end.
  Result runFile(const std::filesystem::path& file);
  // Statements from a stream, in real time: time passes between lines (interactive.cpp).
  // Piped lines end at a failed `expect` or a bad statement, as a file's do; a person's are
  // reported and the run goes on, a failed `expect` still failing it at the end. Runs until
  // `quit`, the end of the input, a stop request or the live window closing.
  Result runInteractive(std::shared_ptr<std::istream> in);
  // One statement; `where` names it in messages ("file:line").
  Result run(const std::string& statement, const std::string& where);

  Host& host();
  // The folder settings are kept in; empty until the first host starts.
  const std::filesystem::path& configFolder() const { return options_.configFolder; }
  // Unloads, saves and removes the temporary config folder. False when saving failed.
  bool finish();

 private:
  void startHost();
  // Lets the host go (it unloads and saves), remembering what ends the run's status.
  void dropHost();
  // Runs `wait` with the game thread's turn let go (game_turn.h).
  template <typename Wait>
  void away(Wait&& wait) {
    if (host_) {
      host_->turn().awayFor(wait);
    } else {
      wait();
    }
  }
  // "error: <where>: <reason> (use: <usage of the statement>)".
  Result bad(const Call& call, const std::string& reason);
  // The same, the reason "<name> <misuse>" from the statement's row.
  Result misused(const Call& call);
  // "error: <where>: <reason>", for a statement the host cannot carry out.
  Result refused(const std::string& where, const std::string& reason);
  // A line as read: a statement, or one too long to be any.
  Result runLine(const LineReader::Line& line, const std::string& where);
  // Reading stopped short of the input's end (out of memory): an error, not the end.
  Result unreadable(const std::string& input, int linesRead, const std::string& failure);
  // Interactive runs only: a line of guidance, once for each `key`.
  void hint(const std::string& key, const std::string& text);
  Result stopped();
  // Once the live window has ended, the run ends too: a closed one as at `quit`, a lost
  // display with a status of its own.
  std::optional<Result> liveWindowEnded();
  // How a run that went to its end went.
  Result outcome() const;
  void banner();
  // Starts the local stats service and sends the stats service's requests there.
  void serveStatsLocally();

  // The statements, by what they touch; their words are counted by the time they run.
  friend const std::vector<Statement>& statements();
  using Handler = Result(const Call& call);
  // The run itself (session.cpp).
  Handler config, expect, help, quit;
  // The game's world (statements_world.cpp).
  Handler player, playlist, rating, unsynced, syncing, event, notify, wait;
  // Plugins (statements_plugins.cpp).
  Handler load, unload, executeWaits, restart, console, calls, trace;
  // The GUI and the mouse (statements_gui.cpp).
  Handler frame, render, window, resize, screenshot, settings, items, mouse;
  // The web (statements_web.cpp).
  Handler stats, statsReply, statsDelay, statsRequest, httpTimeout, httpSendDelay, settle;

  Output& output_;
  SessionOptions options_;
  Clock clock_;
  RatingService ratings_;
  StatsService stats_;
  std::string statsRoute_;     // where the host sends the stats service's requests
  bool statsStandsIn_ = true;  // the route is the local stand-in of the service
  std::optional<std::chrono::milliseconds> httpTimeout_;
  std::chrono::milliseconds sendDelay_{0};
  long settledRequests_ = 0;  // the requests the host had taken when the last settle ended
  std::filesystem::path scenarioFolder_;  // relative file names start here; empty: here
  std::filesystem::path temporaryFolder_;
  std::unique_ptr<Host> host_;
  bool loadedOnce_ = false;
  bool quit_ = false;
  bool finished_ = false;
  bool hints_ = false;
  // A person's run: the first failure that did not end it, for the exit status.
  Result failure_ = Result::Ok;
  bool picturesFailed_ = false;
  bool unloadedCalled_ = false;  // by a host already let go
  std::set<std::string> hinted_;
  // The longest a run sleeps between looks at its input, timers, stop requests and live window.
  static constexpr Micros kIdleWait = 50000;
  // Real time: when the `wait` under way ends.
  std::optional<Micros> waitUntil_;
  // Frames a second the render thread draws on its own (`render`); 0: only at `frame`.
  int renderRate_ = 0;
};

}  // namespace host
