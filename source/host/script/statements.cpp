#include "script/statements.h"

#include <algorithm>
#include <charconv>

namespace host {

const std::vector<Statement>& statements() {
  static const std::vector<Statement> all = {
      {"config", "<folder>", "use this config folder (before the first load)"},
      {"player", "<platform-number> <uid> [<epic-account-id>] | <platform-number> <id-text>",
       "the local player (default: 1 76561198000000001); an id text is the rest of the line", true},
      {"playlist", "<id>", "the rating service's current playlist"},
      {"rating", "<playlist> <value>", "the local player's rating there, synced"},
      {"unsynced", "<playlist> [<seconds>]",
       "not synced; if <seconds> are given, synced after them"},
      {"syncing", "on|off", "whether a sync is under way"},
      {"load", "", "load the plugin from the plugins folder"},
      {"unload", "[without-release] [keeping] [holder-only]",
       "unload the plugin; without-release: its release function left out; keeping: its hooks, "
       "rating registrations, timers, posted callables and requests kept; holder-only: the host's "
       "owner of the plugin object let go of first"},
      {"restart", "",
       "unload, save the settings, start a fresh host on the same config folder, load"},
      {"console", "<line>", "a console line, as typed by the user", true},
      {"event", "<game function name>", "the game runs that function (hooks fire)", true},
      {"notify", "[<uid> [<epic-account-id>] | <id-text>]",
       "a rating-change notification for that id, the rest of the line (default: the local "
       "player)",
       true},
      {"wait", "<seconds>", "game time passes"},
      {"frame", "", "one GUI frame"},
      {"render", "<frames-per-second>|off",
       "the render thread also draws on its own, in real time, while the game thread goes on"},
      {"window", "<title>", "the GUI's state of that window after the last frame", true},
      {"resize", "<title> <width> <height>",
       "give a window of fixed size that size, as a drag would (the title: all but the numbers)",
       true},
      {"screenshot", "<file.png> [<x> <y> <width> <height>]",
       "a picture of the last frame, or of that part of it"},
      {"calls", "", "\"calls: N\": the plugins' SDK calls since the last"},
      {"trace", "on|off", "start or stop printing every SDK call"},
      {"stats", "<playlist> <value>", "the local stats service's rating for that playlist"},
      {"stats-reply", "<status> [<body-file>] | drop",
       "the service's next reply only: that status (200 to 599) and body, or none at all"},
      {"stats-delay", "<seconds>", "each reply from now on that much later (0 ends it)"},
      {"stats-request", "", "\"request: ...\": the last request the service served"},
      {"http-timeout", "<seconds>", "requests sent from now on give up after that long"},
      {"http-send-delay", "<seconds>",
       "a plugin's request call waits that long before the host takes it (0 ends it)"},
      {"settle", "[<requests>]",
       "wait (10 s at most) until the plugin has sent that many web requests since the last "
       "settle (default 0), none is in flight or being sent (calls held by http-send-delay "
       "aside) and their callbacks have run"},
      {"expect", "<text>", "the previous output line must equal <text>", true},
      {"help", "", "this list"},
      {"quit", "", "stop reading statements"},
  };
  return all;
}

std::string usageOf(const std::string& name) {
  for (const Statement& statement : statements()) {
    if (name != statement.name) continue;
    return *statement.arguments ? name + " " + statement.arguments : name;
  }
  return {};
}

bool takesText(const std::string& name) {
  for (const Statement& statement : statements()) {
    if (name == statement.name) return statement.text;
  }
  return false;
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
  const std::string indent(kDescriptionColumn, ' ');
  for (const Statement& statement : statements()) {
    std::string use = "  " + usageOf(statement.name);
    std::vector<std::string> description =
        wrap(statement.description, kHelpWidth - kDescriptionColumn);
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
    for (const std::string& part : description) {
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

bool parseInt(const std::string& text, int& value) {
  auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && ptr == text.data() + text.size() && !text.empty();
}

std::string inQuotes(const std::string& text) {
  constexpr size_t kLongest = 60;
  if (text.size() <= kLongest) return "\"" + text + "\"";
  size_t end = kLongest;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80) --end;
  return "\"" + text.substr(0, end) + "...\" (" + std::to_string(text.size()) + " bytes)";
}

}  // namespace host
