#include "script/command_line.h"

#include "config_file.h"

namespace host {

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
      std::string base = args[++i];
      while (!base.empty() && base.back() == '/') base.pop_back();
      if (base.rfind("http://", 0) != 0 && base.rfind("https://", 0) != 0) {
        error = "--stats-url needs a base URL starting with http:// or https://, not \"" + args[i] +
                "\"";
        return false;
      }
      line.options.statsUrl = base;
    } else if (arg == "--local-stats") {
      line.options.localStats = true;
    } else if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option \"" + arg + "\"";
      return false;
    } else if (line.file.empty()) {
      line.file = arg;
    } else {
      error = "one scenario file at most, not \"" + line.file + "\" and \"" + arg + "\"";
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
  return line.options.configFolder.empty() || prepareConfigFolder(line.options.configFolder, error);
}

std::string usageText() {
  return "usage: rankwatch-host [--trace] [--window] [--config <folder>] [--plugins <folder>] "
         "[--local-stats | --stats-url <base>] [<scenario file>]";
}

std::string helpText() {
  return usageText() + R"(

The stand-in host: loads the rankwatch plugin and plays a scenario file against it in game
time that moves only with `wait`, or, with no file, runs the statements of standard input in
real time (type "help" there for the statements). Piped statements run as a file's would, in
order and waits included; a person's `quit` or Ctrl-D ends a wait early.

  --trace             print every SDK call the plugin makes, and the host's questions to its
                      window when their answer changes
  --window            show the game screen and the overlay live in a window (needs a display)
  --config <folder>   keep the settings in <folder>/config.cfg and window places in
                      <folder>/gui.ini (default: a temporary folder for a scenario file, and
                      $XDG_CONFIG_HOME/rankwatch-host or ~/.config/rankwatch-host otherwise)
  --plugins <folder>  load plugins from <folder>
  --local-stats       send the plugin's web lookups to a local stand-in of the web stats
                      service, set with the "stats" statements (scenario files always do)
  --stats-url <base>  send the plugin's web lookups to <base> (scheme, host and port) instead
                      of the public web stats service
  -h, --help          print this and exit

Ctrl-C, SIGTERM or a closed terminal stops the run between statements: the plugin is unloaded,
the settings are saved and a temporary config folder is removed; a second one ends the host at
once.

Exit status: 0 when the run went through; 1 when an `expect` failed; 2 for a bad option,
scenario file or statement; 3 when the settings could not be saved at the end; 4 when a
screenshot could not be written; 128 plus the signal's number when a stop request ended the
run (130 for Ctrl-C).
)";
}

}  // namespace host
