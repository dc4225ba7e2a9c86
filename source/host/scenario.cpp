#include "scenario.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iostream>
#include <mutex>
#include <random>
#include <thread>

#include "hostsdk/cvar_text.h"

namespace host {

namespace {

// How long the interactive loop sleeps at most between looks at its timers.
constexpr Micros kIdleWait = 50000;
// With a window on the screen, about sixty frames a second.
constexpr Micros kFrameInterval = 16000;

#if defined(_WIN32)
constexpr char kPluginFile[] = "rankwatch.dll";
#else
constexpr char kPluginFile[] = "rankwatch.so";
#endif

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

bool parseInt(const std::string& text, int& value) {
  auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && ptr == text.data() + text.size() && !text.empty();
}

// Ratings may be anything a float holds, "nan" and "inf" included: the plugin must cope.
bool parseFloat(const std::string& text, float& value) {
  const char* begin = text.data();
  if (!text.empty() && text[0] == '+') ++begin;
  auto [ptr, error] = std::from_chars(begin, text.data() + text.size(), value);
  return error == std::errc() && ptr == text.data() + text.size() && begin != ptr;
}

bool parseSeconds(const std::string& text, double& value) {
  auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && ptr == text.data() + text.size() && !text.empty() &&
         std::isfinite(value) && value >= 0 && value < 1e9;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < text.size()) {
    size_t start = text.find_first_not_of(" \t", i);
    if (start == std::string::npos) break;
    size_t end = text.find_first_of(" \t", start);
    out.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    i = end == std::string::npos ? text.size() : end;
  }
  return out;
}

std::filesystem::path makeTemporaryFolder() {
  std::error_code ignored;
  std::filesystem::path base = std::filesystem::temp_directory_path(ignored);
  std::random_device random;
  for (int tries = 0; tries < 100; ++tries) {
    std::filesystem::path folder =
        base / ("rankwatch-host-" + std::to_string(random()) + std::to_string(random()));
    if (std::filesystem::create_directory(folder, ignored)) return folder;
  }
  return {};
}

}  // namespace

Session::Session(Output& output, SessionOptions options)
    : output_(output), options_(std::move(options)), clock_(options_.time), ratings_(clock_) {
  output_.setTracing(options_.trace);
}

Session::~Session() {
  host_.reset();
  if (!temporaryFolder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(temporaryFolder_, ignored);
  }
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
  std::string error;
  if (options_.window && !host_->gui().openLiveWindow(error)) {
    output_.error("window: " + error + "; going on without one");
    options_.window = false;
  }
}

Host& Session::host() {
  if (!host_) startHost();
  return *host_;
}

std::string Session::pluginPath() const {
  return (options_.pluginFolder / kPluginFile).string();
}

Session::Result Session::bad(const std::string& where, const std::string& message) {
  std::cerr << where << ": " << message << '\n';
  return Result::BadScenario;
}

Session::Result Session::run(const std::string& statement, const std::string& where) {
  std::string word;
  std::string rest;
  cut(statement, word, rest);
  if (word.empty() || word[0] == '#') return Result::Ok;
  const std::vector<std::string> args = words(rest);

  if (word == "expect") {
    const std::string actual = output_.lastLine();
    if (actual == rest) return Result::Ok;
    output_.line("expect failed at " + where);
    output_.line("  expected: " + rest);
    output_.line("  actual:   " + actual);
    return Result::ExpectFailed;
  }
  if (word == "config") {
    if (args.size() != 1) return bad(where, "config needs one folder");
    if (loadedOnce_) return bad(where, "config must come before the first load");
    std::error_code failure;
    std::filesystem::create_directories(args[0], failure);
    if (failure)
      return bad(where, "cannot use config folder " + args[0] + ": " + failure.message());
    host_.reset();
    options_.configFolder = std::filesystem::absolute(args[0]);
    return Result::Ok;
  }
  if (word == "player") {
    int platform = 0;
    if (args.size() != 2 || !parseInt(args[0], platform)) {
      return bad(where, "player needs <platform-number> <id-text>");
    }
    ratings_.setPlayer(static_cast<OnlinePlatform>(platform), args[1]);
    return Result::Ok;
  }
  if (word == "playlist") {
    int playlist = 0;
    if (args.size() != 1 || !parseInt(args[0], playlist)) return bad(where, "playlist needs <id>");
    ratings_.setPlaylist(playlist);
    return Result::Ok;
  }
  if (word == "rating") {
    int playlist = 0;
    float value = 0;
    if (args.size() != 2 || !parseInt(args[0], playlist) || !parseFloat(args[1], value)) {
      return bad(where, "rating needs <playlist> <value>");
    }
    ratings_.setRating(playlist, value);
    return Result::Ok;
  }
  if (word == "unsynced") {
    int playlist = 0;
    double seconds = 0;
    if (args.empty() || args.size() > 2 || !parseInt(args[0], playlist) ||
        (args.size() == 2 && !parseSeconds(args[1], seconds))) {
      return bad(where, "unsynced needs <playlist> [<seconds>]");
    }
    ratings_.unsync(playlist,
                    args.size() == 2 ? std::optional<Micros>(toMicros(seconds)) : std::nullopt);
    return Result::Ok;
  }
  if (word == "syncing") {
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) {
      return bad(where, "syncing needs on or off");
    }
    ratings_.setSyncing(args[0] == "on");
    return Result::Ok;
  }
  if (word == "load") {
    if (!args.empty()) return bad(where, "load takes no argument");
    loadedOnce_ = true;
    std::string error;
    if (!host().load(pluginPath(), error)) output_.error(error);
    return Result::Ok;
  }
  if (word == "unload") {
    if (!args.empty()) return bad(where, "unload takes no argument");
    std::string error;
    if (!host().unload("rankwatch", error)) output_.error(error);
    return Result::Ok;
  }
  if (word == "restart") {
    if (!args.empty()) return bad(where, "restart takes no argument");
    loadedOnce_ = true;
    host_.reset();  // unloads and saves
    std::string error;
    if (!host().load(pluginPath(), error)) output_.error(error);
    return Result::Ok;
  }
  if (word == "console") {
    if (rest.empty()) return bad(where, "console needs a line");
    host().console().execute(rest);
    return Result::Ok;
  }
  if (word == "event") {
    if (rest.empty()) return bad(where, "event needs a game function name");
    host().game().fire(rest);
    return Result::Ok;
  }
  if (word == "notify") {
    if (args.size() > 1) return bad(where, "notify takes at most one id");
    UniqueIDWrapper local = ratings_.player();
    UniqueIDWrapper id =
        args.empty() ? local : UniqueIDWrapper(hostsdk::idPlatform(local), args[0]);
    ratings_.notify(host().calls(), id);
    return Result::Ok;
  }
  if (word == "wait") {
    double seconds = 0;
    if (args.size() != 1 || !parseSeconds(args[0], seconds))
      return bad(where, "wait needs <seconds>");
    host().game().pass(toMicros(seconds));
    return Result::Ok;
  }
  if (word == "frame") {
    if (!args.empty()) return bad(where, "frame takes no argument");
    Host& current = host();
    current.game().pass(0);
    std::vector<std::string> lines = current.gui().frame();
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : " | ") + line;
    output_.line("frame: " + (text.empty() ? std::string("-") : text));
    return Result::Ok;
  }
  if (word == "window") {
    if (rest.empty()) return bad(where, "window needs a title");
    std::string text;
    if (host().gui().describe(rest, text)) {
      output_.line(text);
    } else {
      output_.error("window: no window titled \"" + rest + "\"");
    }
    return Result::Ok;
  }
  if (word == "screenshot") {
    if (args.size() != 1) return bad(where, "screenshot needs <file.png>");
    std::string error;
    if (!host().gui().screenshot(args[0], error)) output_.error("screenshot: " + error);
    return Result::Ok;
  }
  if (word == "calls") {
    if (!args.empty()) return bad(where, "calls takes no argument");
    output_.line("calls: " + std::to_string(host().callsMade()));
    host().resetCalls();
    return Result::Ok;
  }
  if (word == "trace") {
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) {
      return bad(where, "trace needs on or off");
    }
    output_.setTracing(args[0] == "on");
    return Result::Ok;
  }
  if (word == "quit") {
    quit_ = true;
    return Result::Ok;
  }
  return bad(where, "unknown statement \"" + word + "\"");
}

Session::Result Session::runFile(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) return bad(file.string(), "cannot read the scenario file");
  std::string line;
  int number = 0;
  while (!quit_ && std::getline(in, line)) {
    ++number;
    Result result = run(line, file.string() + ":" + std::to_string(number));
    if (result != Result::Ok) return result;
  }
  return Result::Ok;
}

Session::Result Session::runInteractive(std::istream& in) {
  // A reader thread hands lines over, so timers keep firing while the user types. It shares
  // what it hands over with the loop, as it may outlive the loop blocked in a read.
  struct Lines {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::string> waiting;
    bool ended = false;
  };
  auto lines = std::make_shared<Lines>();
  std::thread reader([lines, &in] {
    std::string line;
    while (std::getline(in, line)) {
      std::lock_guard<std::mutex> lock(lines->mutex);
      lines->waiting.push_back(line);
      lines->ready.notify_all();
    }
    std::lock_guard<std::mutex> lock(lines->mutex);
    lines->ended = true;
    lines->ready.notify_all();
  });
  int number = 0;
  bool ended = false;
  while (!quit_) {
    std::string line;
    bool got = false;
    {
      const auto due = host().game().nextDue();
      const Micros idle = host().gui().hasLiveWindow() ? kFrameInterval : kIdleWait;
      const Micros wait =
          std::min<Micros>(due ? std::max<Micros>(0, *due - clock_.now()) : idle, idle);
      std::unique_lock<std::mutex> lock(lines->mutex);
      lines->ready.wait_for(lock, std::chrono::microseconds(wait),
                            [&] { return !lines->waiting.empty() || lines->ended; });
      if (!lines->waiting.empty()) {
        line = std::move(lines->waiting.front());
        lines->waiting.pop_front();
        got = true;
      } else if (lines->ended) {
        ended = true;
      }
    }
    host().game().pass(0);
    if (ended) {
      break;
    }
    if (got) {
      run(line, "stdin:" + std::to_string(++number));
    }
    Gui& gui = host().gui();
    if (gui.hasLiveWindow()) {
      gui.frame();
      if (!gui.liveWindowOpen()) {
        break;
      }
    }
  }
  if (ended) {
    reader.join();
  } else {
    reader.detach();  // still blocked in a read; the process is ending
  }
  return Result::Ok;
}

}  // namespace host
