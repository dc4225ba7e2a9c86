#include "script/statements.h"

#include <algorithm>
#include <charconv>

namespace host {

const std::vector<Statement>& statements() {
  static const std::vector<Statement> all = {
      {"config", "<folder>", "use this config folder (before the first load)"},
      {"player", "<platform-number> <uid> [<epic-account-id>] | <platform-number> <id-text>",
       "the local player (default: 1 76561198000000001); an id text is the rest of the line"},
      {"playlist", "<id>", "the rating service's current playlist"},
      {"rating", "<playlist> <value>", "the local player's rating there, synced"},
      {"unsynced", "<playlist> [<seconds>]",
       "not synced; synced after <seconds> of game time if given"},
      {"syncing", "on|off", "whether a sync is under way"},
      {"load", "", "load the plugin from the plugins folder"},
      {"unload", "", "unload the plugin"},
      {"restart", "", "unload, save settings, start a fresh host on the same config folder, load"},
      {"console", "<line>", "a console line, as typed by the user"},
      {"event", "<game function name>", "the game runs that function (hooks fire)"},
      {"notify", "[<uid> [<epic-account-id>] | <id-text>]",
       "a rating-change notification for that id, the rest of the line (default: the local "
       "player)"},
      {"wait", "<seconds>", "game time passes"},
      {"frame", "", "one GUI frame"},
      {"window", "<title>", "what the GUI holds for that window after the last frame"},
      {"resize", "<title> <width> <height>",
       "give a window of fixed size that size, as a drag would (title: all but the numbers)"},
      {"screenshot", "<file.png>", "a picture of the last frame"},
      {"calls", "", "\"calls: N\", the SDK calls plugins made since the last one"},
      {"trace", "on|off", "start or stop printing every SDK call"},
      {"stats", "<playlist> <value>", "the rating the local stats service serves there"},
      {"stats-reply", "<status> [<body-file>] | drop",
       "the service's next reply only: that status (200 to 599) and body, or none at all"},
      {"stats-delay", "<seconds>", "every reply from now on comes that much later (0 ends it)"},
      {"stats-request", "", "\"request: ...\", the last request the service served"},
      {"http-timeout", "<seconds>", "web requests sent from now on give up after that long"},
      {"settle", "",
       "wait (10 s at most) until no web request is in flight and their callbacks have run"},
      {"expect", "<text>", "the previous output line must equal <text>"},
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

std::vector<std::string> helpLines() {
  size_t width = 0;
  for (const Statement& statement : statements()) {
    width = std::max(width, usageOf(statement.name).size());
  }
  std::vector<std::string> lines = {"statements:"};
  for (const Statement& statement : statements()) {
    std::string usage = usageOf(statement.name);
    usage.resize(width + 2, ' ');
    lines.push_back("  " + usage + statement.description);
  }
  lines.push_back(
      "the console: \"console cmdlist\" lists its commands, \"console cvarlist\" its variables "
      "with their values");
  lines.push_back("# starts a comment; quit, end of input or Ctrl-C ends the run and saves");
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
