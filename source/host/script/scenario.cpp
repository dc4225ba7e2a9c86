#include "script/scenario.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdlib>

#include "config_file.h"
#include "hostsdk/cvar_text.h"
#include "script/line_reader.h"
#include "script/named_files.h"
#include "script/statements.h"
#include "script/temporary_folder.h"
#include "script/terminal.h"

namespace host {

namespace {

// How long a run waits at most for its next line before it looks for a stop request.
constexpr Micros kIdleWait = 50000;
// The longest wait: game time could not hold much more.
constexpr double kMostSeconds = 999999999;
constexpr int kMostFramesASecond = 1000;
constexpr int kLiveFramesASecond = 60;

// The statement's first word and the rest, blanks around it trimmed.
void cut(const std::string& statement, std::string& word, std::string& rest) {
  size_t start = statement.find_first_not_of(" \t\r");
  if (start == std::string::npos) {
    word.clear();
    rest.clear();
    return;
  }
  size_t end = statement.find_first_of(" \t", start);
  word = statement.substr(start, end == std::string::npos ? end : end - start);
  size_t restStart = end == std::string::npos ? end : statement.find_first_not_of(" \t", end);
  rest = restStart == std::string::npos ? std::string() : statement.substr(restStart);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r')) {
    rest.pop_back();
  }
}

// Ratings may be anything a float holds, "nan" and "inf" included: the plugin must cope.
bool parseFloat(const std::string& text, float& value) {
  const char* begin = text.data();
  if (!text.empty() && text[0] == '+') ++begin;
  auto [ptr, error] = std::from_chars(begin, text.data() + text.size(), value);
  return error == std::errc() && ptr == text.data() + text.size() && begin != ptr;
}

// Empty when `text` is a number of seconds a wait can take; otherwise what is wrong with it.
std::string readSeconds(const std::string& text, double& value) {
  auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ptr != text.data() + text.size() ||
      (error != std::errc() && error != std::errc::result_out_of_range) || std::isnan(value)) {
    return "\"" + text + "\" is not a number of seconds";
  }
  if (error == std::errc::result_out_of_range || value < 0 || value > kMostSeconds) {
    return "\"" + text + "\" is not within 0 to 999999999 seconds";
  }
  return {};
}

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
  const bool saved = !host_ || host_->shutdown();
  dropHost();
  if (!temporaryFolder_.empty()) removeTemporaryFolder(temporaryFolder_);
  return saved;
}

bool Session::ensureConfigFolder() {
  if (!options_.configFolder.empty()) return true;
  temporaryFolder_ = makeTemporaryFolder();
  options_.configFolder = temporaryFolder_;
  return !temporaryFolder_.empty();
}

void Session::startHost() {
  if (!ensureConfigFolder()) output_.error("no temporary config folder; settings are not kept");
  host_ = std::make_unique<Host>(output_, clock_, ratings_, options_.configFolder);
  settledRequests_ = 0;
  host_->setPluginFolder(options_.pluginFolder);
  host_->setStatsUrl(statsRoute_, statsStandsIn_);
  if (httpTimeout_) host_->http().setTimeout(*httpTimeout_);
  host_->setSendDelay(sendDelay_);
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

std::string Session::pluginPath() const {
  return (options_.pluginFolder / (std::string("rankwatch") + kLibrarySuffix)).string();
}

Session::Result Session::bad(const std::string& where, const std::string& word,
                             const std::string& reason) {
  const std::string usage = usageOf(word);
  return refused(where, reason + (usage.empty() ? "" : " (use: " + usage + ")"));
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

Session::Result Session::run(const std::string& statement, const std::string& where) {
  // Nothing a statement meets ends the host unannounced: the run stops as at a bad statement,
  // and on the way out the settings are saved and a temporary folder removed.
  try {
    return runStatement(statement, where);
  } catch (const std::exception& failure) {
    return refused(where, failure.what());
  }
}

Session::Result Session::runStatement(const std::string& statement, const std::string& where) {
  std::string word;
  std::string rest;
  cut(statement, word, rest);
  if (word.empty() || word[0] == '#') return Result::Ok;
  if (!takesText(word)) rest = withoutComment(rest);
  const std::vector<std::string> args = words(rest);
  const std::string noArgument = word + " takes no argument";

  if (word == "expect") {
    const std::string actual = output_.lastLine();
    if (actual == rest) return Result::Ok;
    output_.line("expect failed at " + where);
    output_.line("  expected: " + rest);
    output_.line("  actual:   " + actual);
    return Result::ExpectFailed;
  }
  if (word == "config") {
    if (args.size() != 1) return bad(where, word, "config needs one folder");
    if (loadedOnce_) return bad(where, word, "config must come before the first load");
    const std::filesystem::path folder = named(scenarioFolder_, args[0]);
    std::string error;
    if (!prepareConfigFolder(folder, error)) return bad(where, word, error);
    host_.reset();
    options_.configFolder = std::filesystem::absolute(folder);
    return Result::Ok;
  }
  if (word == "player") {
    // The id is the rest of the line: console players' names hold blanks.
    int platform = 0;
    std::string number;
    std::string text;
    cut(rest, number, text);
    if (text.empty()) return bad(where, word, "player needs a platform number and an id");
    if (!parseInt(number, platform) || platform < 0 || platform > OnlinePlatform_Epic) {
      return bad(where, word, inQuotes(number) + " is not a platform number from 0 to 11");
    }
    UniqueIDWrapper id;
    std::string error;
    if (!readIdentity(static_cast<OnlinePlatform>(platform), text, id, error)) {
      return bad(where, word, error);
    }
    ratings_.setPlayer(id);
    stats_.setPlayer(id);
    return Result::Ok;
  }
  if (word == "playlist") {
    int playlist = 0;
    if (args.size() != 1) return bad(where, word, "playlist needs one id");
    if (!parseInt(args[0], playlist)) {
      return bad(where, word, inQuotes(args[0]) + " is not a playlist id");
    }
    ratings_.setPlaylist(playlist);
    return Result::Ok;
  }
  if (word == "rating") {
    int playlist = 0;
    float value = 0;
    if (args.size() != 2) return bad(where, word, "rating needs two numbers");
    if (!parseInt(args[0], playlist)) {
      return bad(where, word, inQuotes(args[0]) + " is not a playlist id");
    }
    if (!parseFloat(args[1], value))
      return bad(where, word, inQuotes(args[1]) + " is not a rating");
    ratings_.setRating(playlist, value);
    return Result::Ok;
  }
  if (word == "unsynced") {
    int playlist = 0;
    double seconds = 0;
    if (args.empty() || args.size() > 2) {
      return bad(where, word, "unsynced needs a playlist id and at most a number of seconds");
    }
    if (!parseInt(args[0], playlist)) {
      return bad(where, word, inQuotes(args[0]) + " is not a playlist id");
    }
    if (args.size() == 2) {
      const std::string wrong = readSeconds(args[1], seconds);
      if (!wrong.empty()) return bad(where, word, wrong);
    }
    ratings_.unsync(playlist,
                    args.size() == 2 ? std::optional<Micros>(toMicros(seconds)) : std::nullopt);
    return Result::Ok;
  }
  if (word == "syncing" || word == "trace") {
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) {
      return bad(where, word, word + " needs on or off");
    }
    if (word == "syncing") {
      ratings_.setSyncing(args[0] == "on");
    } else {
      output_.setTracing(args[0] == "on");
    }
    return Result::Ok;
  }
  if (word == "load" || word == "restart") {
    if (!args.empty()) return bad(where, word, noArgument);
    loadedOnce_ = true;
    if (word == "restart") dropHost();  // unloads and saves
    std::string error;
    if (!host().load(pluginPath(), error)) return refused(where, error);
    hint("loaded",
         "the plugin is loaded; \"console cvarlist\" lists its settings, \"console cmdlist\" "
         "its commands");
    return Result::Ok;
  }
  if (word == "unload") {
    const std::optional<Host::Unload> how = Host::unloadNamed(args);
    if (!how) {
      return bad(
          where, word,
          inQuotes(rest) +
              " is no way to unload: without-release, keeping, holder-only, each once, or nothing");
    }
    std::string error;
    if (!host().unload("rankwatch", error, *how)) return refused(where, error);
    return Result::Ok;
  }
  if (word == "console") {
    if (rest.empty()) return bad(where, word, "console needs a line");
    host().console().execute(rest);
    return Result::Ok;
  }
  if (word == "event") {
    if (rest.empty()) return bad(where, word, "event needs a game function name");
    host().game().fire(rest);
    return Result::Ok;
  }
  if (word == "notify") {
    // The id is the rest of the line, as for `player`.
    UniqueIDWrapper id = ratings_.player();
    std::string error;
    if (!rest.empty() && !readIdentity(hostsdk::idPlatform(id), rest, id, error)) {
      return bad(where, word, error);
    }
    ratings_.notify(host().calls(), id);
    return Result::Ok;
  }
  if (word == "wait") {
    double seconds = 0;
    if (args.size() != 1) return bad(where, word, "wait needs one number of seconds");
    const std::string wrong = readSeconds(args[0], seconds);
    if (!wrong.empty()) return bad(where, word, wrong);
    if (clock_.mode() == Clock::Mode::Real) {
      // The interactive loop lets the time pass, reading input and drawing meanwhile.
      waitUntil_ = after(clock_.now(), toMicros(seconds));
    } else {
      host().game().pass(toMicros(seconds));
    }
    return Result::Ok;
  }
  if (word == "frame") {
    if (!args.empty()) return bad(where, word, noArgument);
    Host& current = host();
    current.game().pass(0);
    std::vector<std::string> lines = current.frame();
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : " | ") + line;
    output_.line("frame: " + (text.empty() ? std::string("-") : text));
    if (text.empty() && current.pluginNames().empty()) {
      hint("no plugin", "no plugin is loaded: \"load\" loads it");
    } else if (text.empty() && current.gui().openMenus().empty()) {
      std::string menus;
      for (const std::string& menu : current.gui().menus()) menus += " " + menu;
      hint("no window",
           "no plugin window is open; \"console openmenu <menu>\" opens one (menus:" + menus + ")");
    }
    return Result::Ok;
  }
  if (word == "render") {
    int rate = 0;
    if (args.size() != 1 || (args[0] != "off" && !parseInt(args[0], rate))) {
      return bad(where, word, "render needs a number of frames a second or off");
    }
    if (args[0] != "off" && (rate < 1 || rate > kMostFramesASecond)) {
      return bad(where, word,
                 inQuotes(args[0]) + " is not a number of frames a second from 1 to " +
                     std::to_string(kMostFramesASecond));
    }
    renderRate_ = rate;
    host().gui().setRate(renderRate_);
    return Result::Ok;
  }
  if (word == "window") {
    if (rest.empty()) return bad(where, word, "window needs a title");
    std::string text;
    if (host().gui().describe(rest, text)) {
      output_.line(text);
    } else {
      output_.error("window: " + host().gui().noWindowTitled(rest));
    }
    return Result::Ok;
  }
  if (word == "resize") {
    if (args.size() < 3) {
      return bad(where, word, "resize needs a window title, a width and a height");
    }
    int size[2] = {0, 0};
    const int most[2] = {Gui::kScreenWidth, Gui::kScreenHeight};
    const char* what[2] = {"width", "height"};
    for (int i = 0; i < 2; ++i) {
      const std::string& number = args[args.size() - 2 + i];
      if (!parseInt(number, size[i]) || size[i] < 1 || size[i] > most[i]) {
        return bad(
            where, word,
            inQuotes(number) + " is not a " + what[i] + " from 1 to " + std::to_string(most[i]));
      }
    }
    // The title is the line less its last two words, blanks inside it kept (the line has none
    // at its end).
    const auto dropLastWord = [](std::string& text) {
      text.erase(text.find_last_of(" \t") + 1);
      text.erase(text.find_last_not_of(" \t") + 1);
    };
    std::string title = rest;
    dropLastWord(title);
    dropLastWord(title);
    std::string error;
    if (!host().gui().resize(title, size[0], size[1], error)) output_.error("resize: " + error);
    return Result::Ok;
  }
  if (word == "screenshot") {
    if (args.size() != 1 && args.size() != 5) {
      return bad(where, word, "screenshot needs one file name, and at most a part of the screen");
    }
    std::string extension = std::filesystem::path(args[0]).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".png") {
      return bad(where, word,
                 "screenshot writes PNG pictures: name a .png file, not " + inQuotes(args[0]));
    }
    std::optional<Region> part;
    if (args.size() == 5) {
      int number[4] = {};
      for (int i = 0; i < 4; ++i) {
        if (!parseInt(args[i + 1], number[i])) {
          return bad(where, word, inQuotes(args[i + 1]) + " is not a number of pixels");
        }
      }
      part = Region{number[0], number[1], number[2], number[3]};
      if (part->x < 0 || part->y < 0 || part->width < 1 || part->height < 1 ||
          part->width > Gui::kScreenWidth - part->x ||
          part->height > Gui::kScreenHeight - part->y) {
        return bad(where, word,
                   "the part " + args[1] + " " + args[2] + " " + args[3] + " " + args[4] +
                       " is not within the " + std::to_string(Gui::kScreenWidth) + " by " +
                       std::to_string(Gui::kScreenHeight) + " screen");
      }
    }
    std::string error;
    if (!host().gui().screenshot(named(scenarioFolder_, args[0]).string(), part, error)) {
      output_.error(where + ": screenshot: " + error);
      picturesFailed_ = true;
    }
    return Result::Ok;
  }
  if (word == "calls") {
    if (!args.empty()) return bad(where, word, noArgument);
    output_.line("calls: " + std::to_string(host().callsMade()));
    host().resetCalls();
    return Result::Ok;
  }
  if (word == "help") {
    if (!args.empty()) return bad(where, word, noArgument);
    for (const std::string& line : helpLines()) output_.line(line);
    return Result::Ok;
  }
  if (word == "stats" || word.rfind("stats-", 0) == 0 || word.rfind("http-", 0) == 0 ||
      word == "settle") {
    return runWeb(word, args, where);
  }
  if (word == "quit") {
    if (!args.empty()) return bad(where, word, noArgument);
    quit_ = true;
    return Result::Ok;
  }
  return bad(where, word,
             "unknown statement " + inQuotes(word) + "; \"help\" lists the statements");
}

Session::Result Session::runFile(const std::filesystem::path& file) {
  std::string reason;
  std::shared_ptr<std::istream> in = openLines(file.string(), reason);
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
    } else if (reader.done()) {
      if (!reader.failure().empty()) return unreadable(file.string(), number, reader.failure());
      break;
    } else {
      reader.idle(kIdleWait);
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
  if (unloadedCalled_ || (host_ && host_->calledClosedLibrary())) {
    return Result::UnloadedPluginCalled;
  }
  return picturesFailed_ ? Result::PictureNotWritten : Result::Ok;
}

void Session::dropHost() {
  if (host_ && host_->calledClosedLibrary()) unloadedCalled_ = true;
  host_.reset();
}

}  // namespace host
