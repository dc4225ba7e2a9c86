// The session: the host it starts, the statements it runs from a file, and the statements of
// the run itself.

#include "script/session.h"

#include <csignal>

#include "config_file.h"
#include "script/line_reader.h"
#include "script/named_files.h"
#include "script/statements.h"
#include "script/temporary_folder.h"
#include "script/terminal.h"

namespace host {

namespace {

std::string signalName(int signal) {
  if (signal == SIGINT) return "Ctrl-C (SIGINT)";
  if (signal == SIGTERM) return "SIGTERM";
#if defined(SIGHUP)
  if (signal == SIGHUP) return "SIGHUP (the terminal closed)";
#endif
  return "signal " + std::to_string(signal);
}

}  // namespace

Session::Session(Output& output, SessionOptions options)
    : output_(output), options_(std::move(options)), clock_(options_.time), ratings_(clock_) {
  // A person's live window keeps drawing, as a game's screen does; a scenario's draws at `frame`.
  constexpr int kLiveFramesASecond = 60;
  if (options_.window && options_.time == Clock::Mode::Real) renderRate_ = kLiveFramesASecond;
  output_.setTracing(options_.trace);
  stats_.setPlayer(ratings_.player());
  if (options_.localStats) serveStatsLocally();
}

Session::~Session() {
  finish();
}

bool Session::finish() {
  if (finished_) return true;
  finished_ = true;
  const auto folder = holdTemporaryFolder();
  const bool saved = !host_ || host_->shutdown();
  dropHost();
  if (!temporaryFolder_.empty()) removeTemporaryFolder(temporaryFolder_);
  return saved;
}

void Session::startHost() {
  if (options_.configFolder.empty()) {
    options_.configFolder = temporaryFolder_ = makeTemporaryFolder();
    if (temporaryFolder_.empty()) {
      output_.error("no temporary config folder; settings are not kept");
    }
  }
  host_ = std::make_unique<Host>(output_, clock_, ratings_, options_.configFolder);
  settledRequests_ = 0;
  host_->setPluginFolder(options_.pluginFolder);
  host_->web().setStatsUrl(statsRoute_, statsStandsIn_);
  if (httpTimeout_) host_->http().setTimeout(*httpTimeout_);
  host_->web().setSendDelay(sendDelay_);
  host_->plugins().setLoadThread(options_.loadThread);
  host_->setExecuteWaits(options_.executeWaits);
  std::string error;
  if (options_.window && !host_->gui().openLiveWindow(error)) {
    output_.error("window: " + error + "; going on without one");
    options_.window = false;
  }
  host_->gui().setRate(renderRate_);
}

Host& Session::host() {
  if (!host_) startHost();
  return *host_;
}

Session::Result Session::bad(const Call& call, const std::string& reason) {
  return refused(call.where, reason + " (use: " + usageOf(call.statement) + ")");
}

Session::Result Session::misused(const Call& call) {
  return bad(call, call.statement.name + std::string(" ") + call.statement.misuse);
}

Session::Result Session::refused(const std::string& where, const std::string& reason) {
  output_.error(where + ": " + reason);
  return Result::BadScenario;
}

void Session::hint(const std::string& key, const std::string& text) {
  if (hints_ && hinted_.insert(key).second) output_.hint(text);
}

Session::Result Session::stopped() {
  output_.note("stopped by " + signalName(stopRequested()) +
               "; unloading the plugin and saving the settings");
  return Result::Stopped;
}

std::optional<Session::Result> Session::liveWindowEnded() {
  constexpr char kEnding[] = "; unloading the plugin and saving the settings";
  switch (host_ ? host_->gui().liveWindowEnd() : Gui::LiveWindowEnd::Open) {
    case Gui::LiveWindowEnd::Open:
      return std::nullopt;
    case Gui::LiveWindowEnd::Closed:
      output_.note(std::string("the window was closed") + kEnding);
      return outcome();
    case Gui::LiveWindowEnd::DisplayLost:
      output_.error("window: " + host_->gui().liveWindowLost() + kEnding);
      return Result::DisplayLost;
  }
  return std::nullopt;
}

Session::Result Session::run(const std::string& statement, const std::string& where) {
  // Nothing a statement meets ends the host unannounced: the run stops as at a bad statement,
  // and on the way out the settings are saved and a temporary folder removed.
  try {
    std::string word;
    std::string rest;
    cut(statement, word, rest);
    if (word.empty() || word[0] == '#') return Result::Ok;
    const Statement* row = findStatement(word);
    if (!row) {
      return refused(where,
                     "unknown statement " + inQuotes(word) + "; \"help\" lists the statements");
    }
    if (!row->text) rest = withoutComment(rest);
    const Call call{*row, rest, words(rest), where};
    const size_t count = call.args.size();
    if (count < size_t(row->fewest) || count > size_t(row->most)) return misused(call);
    return (this->*row->run)(call);
  } catch (const std::exception& failure) {
    return refused(where, failure.what());
  }
}

Session::Result Session::config(const Call& call) {
  if (loadedOnce_) return bad(call, "config must come before the first load");
  const std::filesystem::path folder = named(scenarioFolder_, call.args[0]);
  std::string error;
  if (!prepareConfigFolder(folder, error)) return bad(call, error);
  host_.reset();
  options_.configFolder = std::filesystem::absolute(folder);
  return Result::Ok;
}

Session::Result Session::expect(const Call& call) {
  const std::string actual = output_.lastLine();
  if (actual == call.rest) return Result::Ok;
  output_.line("expect failed at " + call.where);
  output_.line("  expected: " + call.rest);
  output_.line("  actual:   " + actual);
  return Result::ExpectFailed;
}

Session::Result Session::help(const Call&) {
  for (const std::string& line : helpLines()) output_.line(line);
  return Result::Ok;
}

Session::Result Session::quit(const Call&) {
  quit_ = true;
  return Result::Ok;
}

Session::Result Session::runFile(const std::filesystem::path& file) {
  std::string reason;
  std::shared_ptr<std::istream> in = openFile(file, reason);
  if (!in) {
    output_.error(file.string() + ": cannot read the scenario file: " + reason);
    return Result::BadScenario;
  }
  // A scenario never reaches the network: the stats service is the local one.
  scenarioFolder_ = file.parent_path();
  serveStatsLocally();
  // Read on a thread of its own, so a stop request is seen even while the file blocks.
  LineReader reader(std::move(in));
  int number = 0;
  while (!quit_) {
    if (stopRequested()) return stopped();
    LineReader::Line line;
    if (reader.take(line)) {
      Result result = runLine(line, file.string() + ":" + std::to_string(++number));
      if (result != Result::Ok) return result;
      if (const auto ended = liveWindowEnded()) return *ended;
    } else if (reader.done()) {
      if (!reader.failure().empty()) return unreadable(file.string(), number, reader.failure());
      break;
    } else {
      away([&] { reader.idle(kIdleWait); });
    }
  }
  return outcome();
}

Session::Result Session::runLine(const LineReader::Line& line, const std::string& where) {
  if (!line.tooLong) return run(line.text, where);
  return refused(where, "the line is longer than " + std::to_string(LineReader::kLongestLine) +
                            " bytes, the most a statement may take");
}

Session::Result Session::unreadable(const std::string& input, int linesRead,
                                    const std::string& failure) {
  return refused(input, "reading stopped after line " + std::to_string(linesRead) + ": " + failure);
}

Session::Result Session::outcome() const {
  if (failure_ != Result::Ok) return failure_;
  if (unloadedCalled_ || (host_ && (host_->calledClosedLibrary() || host_->lateCalls() > 0))) {
    return Result::UnloadedPluginCalled;
  }
  return picturesFailed_ ? Result::PictureNotWritten : Result::Ok;
}

void Session::dropHost() {
  if (host_ && (host_->calledClosedLibrary() || host_->lateCalls() > 0)) unloadedCalled_ = true;
  host_.reset();
}

}  // namespace host
