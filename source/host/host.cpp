// The host wired together: its parts, the saved settings and the host's own console commands.

#include "host.h"

#include "config_file.h"
#include "gui/gui_ini.h"

namespace host {

namespace {

std::string iniFileIn(const std::filesystem::path& folder) {
  return folder.empty() ? std::string() : windowPlacesFile(folder).string();
}

}  // namespace

Host::Host(Output& output, Clock& clock, RatingService& ratings, std::filesystem::path configFolder)
    : output_(output),
      clock_(clock),
      ratings_(ratings),
      configFolder_(std::move(configFolder)),
      calls_(output, &turn_),
      console_(output, calls_),
      game_(clock, calls_, &turn_),
      gui_(output, clock, iniFileIn(configFolder_)),
      plugins_({output, clock, calls_, console_, game_, gui_, ratings, http_, turn_}),
      web_(output, clock, http_, plugins_) {
  if (!configFolder_.empty()) {
    const std::filesystem::path file = configFile(configFolder_);
    ConfigContents saved = readConfig(file);
    for (const std::string& problem : saved.problems) output_.error(problem);
    std::map<std::string, Console::Saved> values;
    for (auto& [name, value] : saved.values) {
      values[name] = {std::move(value), file.string() + ":" + std::to_string(saved.lineOf[name])};
    }
    console_.restore(std::move(values), std::move(saved.damaged));
    configLines_ = std::move(saved.lines);
    for (const std::string& problem : checkGuiIni(iniFileIn(configFolder_))) {
      output_.error(problem);
    }
  }
  addBuiltins();
  web_.onLateCall(
      [this](const std::string& plugin) { tellLate(plugin, "HttpWrapper::SendCurlJsonRequest"); });
  hostsdk::installBackend(this);
}

Host::~Host() {
  shutdown();
  // Calls from other threads inside the backend are waited for: they may wait for a turn.
  if (hostsdk::installedBackend() == this) turn_.awayFor([] { hostsdk::installBackend(nullptr); });
}

bool Host::shutdown() {
  if (shutDown_) return true;
  shutDown_ = true;
  plugins_.unloadAll();
  web_.close();
  // A reply under way may call the host, in a turn of the game thread's.
  turn_.awayFor([&] { http_.shutdown(); });
  plugins_.dropUnloaded();
  const int leftAlive = plugins_.closedCalls().leftAlive.load();
  if (leftAlive > 0) {
    output_.note("the host left " + std::to_string(leftAlive) +
                 (leftAlive == 1 ? " callable" : " callables") +
                 " of closed libraries alive, never destroyed");
  }
  std::string error;
  bool saved = saveConfig(error);
  if (!saved) output_.error("the settings were not saved: " + error);
  if (!gui_.savePlaces(error)) {
    output_.error("the window places were not saved: " + error);
    saved = false;
  }
  return saved;
}

bool Host::saveConfig(std::string& error) {
  if (configFolder_.empty()) return true;
  std::vector<std::string> lines = mergeValues(configLines_, console_.valuesToSave());
  if (!writeConfig(configFile(configFolder_), lines, error)) return false;
  configLines_ = std::move(lines);
  return true;
}

std::vector<std::string> Host::frame() {
  std::vector<std::string> lines;
  turn_.awayFor([&] { lines = gui_.frame(); });
  game_.runPosted();
  return lines;
}

void Host::addBuiltins() {
  console_.addBuiltin("plugin",
                      "plugin load <name> [on-own-thread|on-game-thread]|plugin unload <name> "
                      "[without-release] [keeping] [holder-only] [on-own-thread|on-game-thread]",
                      "load a plugin from the plugins folder (or a path), or unload one",
                      [this](const std::vector<std::string>& words) { pluginCommand(words); });
  const auto menu = [this](const std::vector<std::string>& words) { menuCommand(words); };
  console_.addBuiltin("togglemenu", "togglemenu <menu>", "open a plugin window, or close it", menu);
  console_.addBuiltin("openmenu", "openmenu <menu>", "open a plugin window", menu);
  console_.addBuiltin("closemenu", "closemenu <menu>", "close a plugin window", menu);
  console_.addBuiltin("writeconfig", "writeconfig", "save the settings to config.cfg now",
                      [this](const std::vector<std::string>&) {
                        std::string error;
                        if (!saveConfig(error)) output_.error("writeconfig: " + error);
                      });
  console_.addBuiltin("cvarlist", "cvarlist [<prefix>]",
                      "list the variables with their values, ranges and descriptions",
                      [this](const std::vector<std::string>& words) {
                        console_.listVariables(words.size() > 1 ? words[1] : "");
                      });
  console_.addBuiltin("cmdlist", "cmdlist [<prefix>]", "list the commands with their descriptions",
                      [this](const std::vector<std::string>& words) {
                        console_.listCommands(words.size() > 1 ? words[1] : "");
                      });
}

void Host::pluginCommand(const std::vector<std::string>& words) {
  const std::string action = words.size() > 1 ? words[1] : std::string();
  PluginThread thread = PluginThread::Record;
  const std::optional<Unload> how =
      words.size() >= 3 ? unloadNamed({words.begin() + 3, words.end()}, &thread) : std::nullopt;
  const bool load = action == "load" && words.size() >= 3 && words.size() <= 4 &&
                    (words.size() == 3 || threadNamed(words[3]));
  if (load && words.size() == 4) thread = *threadNamed(words[3]);
  if (!(load || (action == "unload" && how))) {
    output_.error(
        "plugin: use \"plugin load <name> [on-own-thread|on-game-thread]\" or \"plugin unload "
        "<name> [without-release] [keeping] [holder-only] [on-own-thread|on-game-thread]\"");
    return;
  }
  std::string error;
  bool done = false;
  if (action == "load") {
    // A bare name is a library in the plugins folder, its suffix optional: either system's
    // suffix names this system's library, so one line loads the plugin on both.
    std::string path = words[2];
    if (path.find_first_of("/\\") == std::string::npos) {
      const std::string suffix = std::filesystem::path(path).extension().string();
      if (suffix == ".so" || suffix == ".dll") path.resize(path.size() - suffix.size());
      path = (pluginFolder_ / (path + kLibrarySuffix)).string();
    }
    done = plugins_.load(path, error, thread);
  } else {
    done = plugins_.unload(words[2], error, *how, thread);
  }
  if (!done) output_.error(error);
}

void Host::menuCommand(const std::vector<std::string>& words) {
  const std::string& command = words[0];
  if (words.size() != 2) {
    output_.error(command + ": needs one menu name");
    return;
  }
  const bool known = gui_.menuCommand(command, words[1]);
  if (!known) output_.error(command + ": no window named " + inQuotes(words[1]));
}

}  // namespace host
