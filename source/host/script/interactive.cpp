// The interactive run: statements typed at the console, in real time. Time passes between
// lines and during a `wait`: timers fire, the render thread draws the live window, and typed
// lines queue until the wait is over.

#include <algorithm>

#include "config_file.h"
#include "script/line_reader.h"
#include "script/session.h"
#include "script/statements.h"
#include "script/terminal.h"

namespace host {

namespace {

bool isQuit(const std::string& line) {
  return words(line) == std::vector<std::string>{"quit"};
}

}  // namespace

void Session::banner() {
#if defined(_WIN32)
  constexpr char kEndOfInput[] = "Ctrl-Z, Enter";
#else
  constexpr char kEndOfInput[] = "Ctrl-D";
#endif
  // Folders as the system writes them, so a path typed with "/" on Windows reads whole.
  const std::string settings = options_.configFolder.empty()
                                   ? std::string("a temporary folder")
                                   : configFile(options_.configFolder).make_preferred().string();
  output_.line("rankwatch-host: plugins from " +
               std::filesystem::path(options_.pluginFolder).make_preferred().string() +
               ", settings in " + settings);
  output_.line("Type \"help\" for the statements and \"load\" to load the plugin.");
  output_.line(std::string("\"quit\", end of input (") + kEndOfInput +
               ") or Ctrl-C unloads the plugin, saves and ends the run.");
}

Session::Result Session::runInteractive(std::shared_ptr<std::istream> in) {
  // Enter moved the person's cursor to a fresh line: from then on no prompt shows, whenever the
  // line is taken, so output printed meanwhile starts on that line and brings no prompt back.
  LineReader reader(std::move(in), [this] { output_.promptAnswered(); });
  hints_ = true;
  banner();
  if (options_.localStats && !stats_.base().empty()) {
    output_.line("Web lookups go to the local stats service at " + statsRoute_ +
                 "; \"stats\" sets what it serves.");
  } else if (!options_.localStats && !options_.statsUrl.empty()) {
    statsRoute_ = options_.statsUrl;
    statsStandsIn_ = false;
    if (host_) host_->web().setStatsUrl(statsRoute_, statsStandsIn_);
    output_.line("Web lookups go to " + statsRoute_ + ".");
  }
  int number = 0;
  while (!quit_) {
    if (stopRequested()) {
      output_.endPrompt();
      return stopped();
    }
    Host& current = host();
    current.game().pass(0);  // timers due and callbacks posted by now

    // A person's `quit` or end of input ends a wait early; other lines wait their turn, and
    // piped lines all do: they were written to run in order.
    if (waitUntil_ &&
        (clock_.now() >= *waitUntil_ || (options_.person && reader.endedOrWaiting(isQuit)))) {
      waitUntil_.reset();
    }
    bool ranOne = false;
    if (!waitUntil_) {
      LineReader::Line line;
      if (reader.take(line)) {
        const Result result = runLine(line, "stdin:" + std::to_string(++number));
        // Piped lines end where a file would; a person sees the error and goes on, but a
        // failed check fails the run all the same.
        if (result != Result::Ok && !options_.person) return result;
        if (result == Result::ExpectFailed && failure_ == Result::Ok) failure_ = result;
        ranOne = true;
      } else if (reader.done()) {
        if (!reader.failure().empty()) {
          output_.endPrompt();
          return unreadable("stdin", number, reader.failure());
        }
        break;
      }
    }

    if (const auto ended = liveWindowEnded()) {
      output_.endPrompt();
      return *ended;
    }

    // Sleep until the next thing to do: a line, a timer or the end of the wait.
    Micros sleep = kIdleWait;
    const Micros now = clock_.now();
    if (auto due = host().game().nextDue()) sleep = std::min(sleep, *due - now);
    if (waitUntil_) sleep = std::min(sleep, *waitUntil_ - now);
    if (ranOne && !waitUntil_) sleep = 0;  // more lines may be waiting
    // During a wait and with lines queued too: what is typed meanwhile follows a prompt, and
    // output clears the prompt's line before it takes it.
    if (sleep > 0 && options_.prompt && !quit_) output_.prompt("> ");
    away([&] { reader.idle(sleep); });
  }
  output_.endPrompt();
  return outcome();
}

}  // namespace host
