// The statements' table, the help made from it, and the readers of a statement's words.

#include "script/statements.h"

#include <limits>

namespace host {

const std::vector<Statement>& statements() {
  constexpr int kMany = std::numeric_limits<int>::max();
  using S = Session;
  static const std::vector<Statement> all = {
      {"config", "<folder>", "use this config folder (before the first load)", &S::config, 1, 1,
       "needs one folder"},
      {"player", "<platform-number> <uid> [<epic-account-id>] | <platform-number> <id-text>",
       "the local player (default: 1 76561198000000001); an id text is the rest of the line",
       &S::player, 0, kMany, "needs a platform number and an id", true},
      {"playlist", "<id>", "the rating service's current playlist", &S::playlist, 1, 1,
       "needs one id"},
      {"rating", "<playlist> <value>", "the local player's rating there, synced", &S::rating, 2, 2,
       "needs two numbers"},
      {"unsynced", "<playlist> [<seconds>]",
       "not synced; if <seconds> are given, synced after them", &S::unsynced, 1, 2,
       "needs a playlist id and at most a number of seconds"},
      {"syncing", "on|off", "whether a sync is under way", &S::syncing, 1, 1, "needs on or off"},
      {"load", "[on-own-thread|on-game-thread]",
       "load the plugin from the plugins folder; its onLoad on a thread of its own or on the "
       "game thread (default: as its record, or --onload-thread, says)",
       &S::load, 0, 1, "takes on-own-thread or on-game-thread at most"},
      {"unload", "[without-release] [keeping] [holder-only] [<thread>]",
       "unload the plugin; without-release: its release function left out; keeping: its hooks, "
       "rating registrations, timers, posted callables and requests kept; holder-only: the host's "
       "owner of the plugin object let go of first; <thread>: on-own-thread or on-game-thread, "
       "where its onUnload runs (default: as its record says)",
       &S::unload, 0, kMany},
      {"execute-waits", "on|off",
       "GameWrapper::Execute from another thread waits until the game thread runs no plugin code",
       &S::executeWaits, 1, 1, "needs on or off"},
      {"restart", "",
       "unload, save the settings, start a fresh host on the same config folder, load",
       &S::restart},
      {"console", "<line>", "a console line, as typed by the user", &S::console, 1, kMany,
       "needs a line", true},
      {"event", "<game function name>", "the game runs that function (hooks fire)", &S::event, 1,
       kMany, "needs a game function name", true},
      {"notify", "[<uid> [<epic-account-id>] | <id-text>]",
       "a rating-change notification for that id, the rest of the line (default: the local "
       "player)",
       &S::notify, 0, kMany, "", true},
      {"wait", "<seconds>", "game time passes", &S::wait, 1, 1, "needs one number of seconds"},
      {"frame", "", "one GUI frame", &S::frame},
      {"render", "<frames-per-second>|off",
       "the render thread also draws on its own, in real time, while the game thread goes on",
       &S::render, 1, 1, "needs a number of frames a second or off"},
      {"window", "<title>", "the GUI's state of that window after the last frame", &S::window, 1,
       kMany, "needs a title", true},
      {"resize", "<title> <width> <height>",
       "give a window of fixed size that size, as a drag would (the title: all but the numbers)",
       &S::resize, 3, kMany, "needs a window title, a width and a height", true},
      {"screenshot", "<file.png> [<x> <y> <width> <height>]",
       "a picture of the last frame, or of that part of it", &S::screenshot, 1, 5,
       "needs one file name, and at most a part of the screen"},
      {"settings", "<plugin>|off",
       "open the plugins tab (the \"Plugins\" window) on that plugin's settings page, or close it",
       &S::settings, 1, 1, "needs a plugin's name or off"},
      {"items", "<title>",
       "\"item: <label> pos=<x>,<y> size=<w>x<h>\" for each labelled item drawn in that window in "
       "the last frame",
       &S::items, 1, kMany, "needs a title", true},
      {"click", "<x> <y>", "the mouse's left button pressed there, and released a frame later",
       &S::mouse, 2, 2, "needs a position on the screen"},
      {"press", "<x> <y>", "the left button pressed there, in a frame", &S::mouse, 2, 2,
       "needs a position on the screen"},
      {"release", "<x> <y>", "the left button released there, in a frame", &S::mouse, 2, 2,
       "needs a position on the screen"},
      {"drag", "<x1> <y1> <x2> <y2>",
       "pressed at the first place, moved to the second and released there, a frame each",
       &S::mouse, 4, 4, "needs two positions on the screen"},
      {"wheel", "<x> <y> <steps>",
       "the mouse wheel turned there, up for positive steps, in a frame", &S::mouse, 3, 3,
       "needs a position on the screen and a number of steps"},
      {"calls", "", "\"calls: N\": the plugins' SDK calls since the last", &S::calls},
      {"trace", "on|off", "start or stop printing every SDK call", &S::trace, 1, 1,
       "needs on or off"},
      {"stats", "<playlist> <value>", "the local stats service's rating for that playlist",
       &S::stats, 2, 2, "needs a playlist id and a rating"},
      {"stats-reply", "<status> [<body-file>] | drop",
       "the service's next reply only: that status (200 to 599) and body, or none at all",
       &S::statsReply, 1, kMany, "needs a status and at most a body file, or drop"},
      {"stats-delay", "<seconds>", "each reply from now on that much later (0 ends it)",
       &S::statsDelay, 1, 1, "needs one number of seconds"},
      {"stats-request", "", "\"request: ...\": the last request the service served",
       &S::statsRequest},
      {"http-timeout", "<seconds>", "requests sent from now on give up after that long",
       &S::httpTimeout, 1, 1, "needs one number of seconds"},
      {"http-send-delay", "<seconds>",
       "a plugin's request call waits that long before the host takes it (0 ends it)",
       &S::httpSendDelay, 1, 1, "needs one number of seconds"},
      {"settle", "[<requests>]",
       "wait (10 s at most) until the plugin has sent that many web requests since the last "
       "settle (default 0), none is in flight or being sent (calls held by http-send-delay "
       "aside) and their callbacks have run",
       &S::settle, 0, 1, "takes one number of requests at most"},
      {"expect", "<text>", "the previous output line must equal <text>", &S::expect, 0, kMany, "",
       true},
      {"help", "", "this list", &S::help},
      {"quit", "", "stop reading statements", &S::quit},
  };
  return all;
}

const Statement* findStatement(const std::string& name) {
  for (const Statement& statement : statements()) {
    if (name == statement.name) return &statement;
  }
  return nullptr;
}

std::string usageOf(const Statement& statement) {
  return statement.name + std::string(*statement.arguments ? " " : "") + statement.arguments;
}

std::string withoutComment(const std::string& arguments) {
  size_t at = arguments.find('#');
  while (at != std::string::npos && at > 0 && arguments[at - 1] != ' ' &&
         arguments[at - 1] != '\t') {
    at = arguments.find('#', at + 1);
  }
  std::string kept = arguments.substr(0, at);
  kept.erase(kept.find_last_not_of(" \t") + 1);
  return kept;
}

namespace {

constexpr size_t kHelpWidth = 80;
// Where descriptions start; a longer use has its description on the lines below it.
constexpr size_t kDescriptionColumn = 30;

// `text` in lines of at most `width` bytes, broken at blanks.
std::vector<std::string> wrap(const std::string& text, size_t width) {
  std::vector<std::string> lines;
  std::string line;
  for (const std::string& word : words(text)) {
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      lines.push_back(line);
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

std::vector<std::string> helpLines() {
  std::vector<std::string> lines = {"statements:"};
  for (const Statement& statement : statements()) {
    std::string use = "  " + usageOf(statement);
    // A use too wide for a line has a line for each of its forms.
    for (size_t bar;
         use.size() > kHelpWidth && (bar = use.rfind(" | ", kHelpWidth)) != std::string::npos;) {
      lines.push_back(use.substr(0, bar));
      use = "    " + use.substr(bar + 1);
    }
    if (use.size() + 2 > kDescriptionColumn) {
      lines.push_back(use);
      use.clear();
    }
    for (const std::string& part : wrap(statement.description, kHelpWidth - kDescriptionColumn)) {
      use.resize(kDescriptionColumn, ' ');
      lines.push_back(use + part);
      use.clear();
    }
  }
  std::string texts;
  for (const Statement& statement : statements()) {
    if (statement.text) texts += std::string(texts.empty() ? "" : ", ") + statement.name;
  }
  for (const std::string& paragraph :
       {std::string("the console: \"console cmdlist\" lists its commands, \"console cvarlist\" "
                    "its variables with their values"),
        "# starts a comment, on a line of its own or after a blank, but not in the text that " +
            texts + " take",
        std::string("quit, end of input or Ctrl-C ends the run and saves")}) {
    for (const std::string& line : wrap(paragraph, kHelpWidth)) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  for (size_t start, end = 0; (start = text.find_first_not_of(" \t", end)) != std::string::npos;) {
    end = text.find_first_of(" \t", start);
    out.push_back(text.substr(start, end - start));
  }
  return out;
}

void cut(const std::string& text, std::string& word, std::string& rest) {
  const size_t start = text.find_first_not_of(" \t\r");
  const size_t end = text.find_first_of(" \t", start);
  word = start == std::string::npos ? std::string() : text.substr(start, end - start);
  const size_t restStart = text.find_first_not_of(" \t", end);
  rest = restStart == std::string::npos ? std::string() : text.substr(restStart);
  rest.erase(rest.find_last_not_of(" \t\r") + 1);
}

std::string isNot(const std::string& text, const std::string& what) {
  return inQuotes(text) + " is not " + what;
}

}  // namespace host
