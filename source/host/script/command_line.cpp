// Reading the host's command line, and its usage and help texts.

#include "script/command_line.h"

#include <algorithm>
#include <cstdlib>

#include "config_file.h"
#include "gui/live_window.h"
#include "script/statements.h"

namespace host {

namespace {

constexpr char kBaseUrlWanted[] =
    "--stats-url takes http:// or https://, a host, an optional port from 1 to 65535 and "
    "nothing more, such as http://127.0.0.1:8080";

constexpr char kHostCharacters[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-_~%";

// `text` as a base URL without its last "/", or empty when it is not "http://" or "https://",
// a host, an optional port and at most a "/": anything more would be sent as a path nobody
// asked for.
std::string baseUrl(const std::string& text) {
  const size_t schemeEnd = text.find("://");
  const std::string scheme = text.substr(0, schemeEnd);
  if (schemeEnd == std::string::npos || (scheme != "http" && scheme != "https")) return {};
  std::string authority = text.substr(schemeEnd + 3);
  if (!authority.empty() && authority.back() == '/') authority.pop_back();
  size_t hostEnd = 0;
  if (!authority.empty() && authority[0] == '[') {
    hostEnd = authority.find(']');
    if (hostEnd == std::string::npos || hostEnd == 1) return {};
    if (authority.find_first_not_of("0123456789abcdefABCDEF:.", 1) < hostEnd) return {};
    ++hostEnd;
  } else {
    hostEnd = std::min(authority.find_first_not_of(kHostCharacters), authority.size());
    if (hostEnd == 0) return {};
  }
  if (hostEnd < authority.size()) {
    const std::string port = authority.substr(hostEnd + 1);
    if (authority[hostEnd] != ':' || port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos) {
      return {};
    }
    const long number = std::strtol(port.c_str(), nullptr, 10);
    if (number < 1 || number > 65535) return {};
  }
  return scheme + "://" + authority;
}

}  // namespace

bool parseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--trace") {
      line.options.trace = true;
    } else if (arg == "--window") {
      line.options.window = true;
    } else if (arg == "--config" || arg == "--plugins") {
      // An option in a value's place is a value forgotten.
      if (i + 1 == args.size() || args[i + 1].empty() || args[i + 1].rfind("--", 0) == 0) {
        error = arg + " needs a folder";
        return false;
      }
      (arg == "--config" ? line.options.configFolder : line.options.pluginFolder) = args[++i];
    } else if (arg == "--stats-url") {
      if (i + 1 == args.size() || args[i + 1].rfind("--", 0) == 0) {
        error = "--stats-url needs a base URL, such as http://127.0.0.1:8080";
        return false;
      }
      line.options.statsUrl = baseUrl(args[++i]);
      if (line.options.statsUrl.empty()) {
        error = std::string(kBaseUrlWanted) + "; not " + inQuotes(args[i]);
        return false;
      }
    } else if (arg == "--local-stats") {
      line.options.localStats = true;
    } else if (arg == "--execute-waits") {
      line.options.executeWaits = true;
    } else if (arg == "--onload-thread") {
      const std::optional<PluginThread> thread =
          i + 1 < args.size() ? threadOption(args[i + 1]) : std::nullopt;
      if (!thread) {
        error = "--onload-thread needs own, game or record";
        return false;
      }
      line.options.loadThread = *thread;
      ++i;
    } else if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg.empty()) {
      // An unset variable in `rankwatch-host "$file"`: no file meant, so no interactive run.
      error = "an empty scenario file name; name a file, or none to type statements";
      return false;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + inQuotes(arg);
      return false;
    } else if (line.file.empty()) {
      line.file = arg;
    } else {
      error = "one scenario file at most, not " + inQuotes(line.file) + " and " + inQuotes(arg);
      return false;
    }
  }
  return true;
}

bool checkCommandLine(const CommandLine& line, std::string& error) {
  if (!line.options.statsUrl.empty() && !line.file.empty()) {
    error =
        "--stats-url is for interactive runs: a scenario file always uses the local stats "
        "service";
    return false;
  }
  if (!line.options.statsUrl.empty() && line.options.localStats) {
    error = "--stats-url and --local-stats both say where web lookups go: give one of them";
    return false;
  }
  std::error_code failure;
  if (!std::filesystem::is_directory(line.options.pluginFolder, failure)) {
    error = "the plugins folder " + line.options.pluginFolder.string() + " is not a folder";
    return false;
  }
  if (line.options.window && !LiveWindow::available(error)) {
    error = "--window: " + error;
    return false;
  }
  return line.options.configFolder.empty() || prepareConfigFolder(line.options.configFolder, error);
}

std::string usageText() {
  const char* launcher = std::getenv("RANKWATCH_HOST_COMMAND");
  return "usage: " + std::string(launcher && *launcher ? launcher : "rankwatch-host") +
         " [<option>...] [<scenario file>]";
}

std::string refusalText(const std::string& error) {
  return "error: " + error + "\n" + usageText() + "; --help lists the options\n";
}

std::string helpText() {
  return usageText() + R"(

The stand-in host: loads the rankwatch plugin and plays a scenario file against
it in game time that moves only with `wait`, or, with no file, runs the
statements of standard input in real time (type "help" there for them). Piped
statements run as a file's would, in order and waits included; a person's
`quit` or Ctrl-D ends a wait early. The host's plugins tab, with the plugin's
settings page, opens with `settings rankwatch`, and `click`, `drag` and `wheel`
work it as a player's mouse would.

  --trace             print every SDK call the plugin makes, and the host's
                      questions to its window when their answer changes
  --window            show the game screen, the overlay and the plugins tab live
                      in a window, where the mouse works as in the game (needs a
                      display)
  --config <folder>   keep the settings in <folder>/config.cfg and window places
                      in <folder>/gui.ini (default: for a person typing at a
                      terminal, $XDG_CONFIG_HOME/rankwatch-host or
                      ~/.config/rankwatch-host; for a file or piped statements,
                      a fresh temporary folder, removed at the end)
  --plugins <folder>  load plugins from <folder>
  --local-stats       send the plugin's web lookups to a local stand-in of the
                      web stats service, set with the "stats" statements
                      (scenario files always do)
  --stats-url <base>  send the plugin's web lookups to <base> (http:// or
                      https://, a host and an optional port) instead of the
                      public web stats service
  --onload-thread own|game|record
                      run each plugin's onLoad on a thread of its own, on the
                      game thread, or as its record asks (the default)
  --execute-waits     GameWrapper::Execute called from another thread waits
                      until the game thread runs no plugin code
  -h, --help          print this and exit

Ctrl-C, SIGTERM or a closed terminal stops the run between statements: the
plugin is unloaded, the settings are saved and a temporary config folder is
removed; a second one ends the host at once.

Exit status: 0 when the run went through; 1 when an `expect` failed; 2 for a
bad option, scenario file or statement, or one the host could not carry out;
3 when the settings could not be saved at the end; 4 when a screenshot could
not be written; 5 when something the host kept of a plugin library it had
closed would have been called after the library was gone, or a plugin called the
host after its unload; 6 when the live window's display went away; 128 plus
the signal's number when a stop request ended the run (130 for Ctrl-C).
)";
}

}  // namespace host
