#include "host.h"

#include <algorithm>

#include "config_file.h"
#include "gui/gui_ini.h"

namespace host {

namespace {

std::string iniFileIn(const std::filesystem::path& folder) {
  return folder.empty() ? std::string() : (folder / "gui.ini").string();
}

// Callables of plugins whose host kept them past the unload: never destroyed, since destroying
// one runs code of a closed library. Held from here so that leak checkers see them kept on
// purpose.
template <typename Callable>
void keepForever(std::vector<Callable> callables) {
  static auto* kept = new std::vector<const void*>();
  for (Callable& callable : callables) kept->push_back(new Callable(std::move(callable)));
}

std::string counted(int count, const std::string& thing) {
  return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

}  // namespace

Host::Host(Output& output, Clock& clock, RatingService& ratings, std::filesystem::path configFolder)
    : output_(output),
      clock_(clock),
      ratings_(ratings),
      configFolder_(std::move(configFolder)),
      calls_(output),
      console_(output, calls_),
      game_(clock, calls_),
      gui_(output, clock, iniFileIn(configFolder_)) {
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
  hostsdk::installBackend(this);
}

Host::~Host() {
  shutdown();
  if (hostsdk::installedBackend() == this) hostsdk::installBackend(nullptr);
}

bool Host::shutdown() {
  if (shutDown_) return true;
  shutDown_ = true;
  while (!plugins_.empty()) {
    std::string error;
    unload(plugins_.back()->name, error);
  }
  if (keptHooks_ + keptRegistrations_ > 0) {
    output_.note("the host kept " + counted(keptHooks_, "hook") + " and " +
                 counted(keptRegistrations_, "rating registration") +
                 " of unloaded plugins to the end, never destroyed");
  }
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    closing_ = true;
  }
  sendWake_.notify_all();
  http_.shutdown();
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
  std::vector<std::string> lines = gui_.frame();
  game_.runPosted();
  return lines;
}

PluginSlot* Host::plugin(const std::string& name) {
  for (auto& slot : plugins_) {
    if (slot->name == name) return slot.get();
  }
  return nullptr;
}

std::vector<std::string> Host::pluginNames() const {
  std::vector<std::string> names;
  for (const auto& slot : plugins_) names.push_back(slot->name);
  return names;
}

bool Host::load(const std::string& path, std::string& error) {
  std::string reason;
  Library library = Library::open(path, reason);
  if (!library) {
    error = "plugin load: " + path + ": " + reason;
    return false;
  }
  const PluginInfo* info = readPluginInfo(library, reason);
  if (!info) {
    error = "plugin load: " + path + ": " + reason;
    return false;
  }
  if (plugin(info->className)) {
    error = "plugin load: " + std::string(info->className) + " is loaded already";
    return false;
  }
  // The factory returns the address of the library's holder, which is laid out as a shared
  // owner of the object's base part: the host takes an owner of its own from it.
  std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> owner;
  calls_.run(nullptr, [&] {
    auto* holder =
        reinterpret_cast<std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>*>(info->createFn());
    if (holder) owner = *holder;
  });
  if (!owner) {
    calls_.run(nullptr, [&] { info->releaseFn(); });
    error = "plugin load: " + path + ": the plugin made no object";
    return false;
  }
  auto slot = std::make_unique<PluginSlot>();
  slot->name = info->className;
  slot->path = path;
  slot->library = std::move(library);
  slot->owner = std::move(owner);
  {
    std::lock_guard<std::mutex> lock(sharedMutex_);
    libraries_.emplace_back(slot->library.module(), slot.get());
  }
  start(std::move(slot));
  return true;
}

PluginSlot* Host::adopt(const std::string& name,
                        std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> plugin) {
  auto slot = std::make_unique<PluginSlot>();
  slot->name = name;
  slot->owner = std::move(plugin);
  return start(std::move(slot));
}

PluginSlot* Host::start(std::unique_ptr<PluginSlot> slot) {
  PluginSlot* raw = slot.get();
  raw->plugin = raw->owner.get();
  raw->window = windowOf(raw->plugin);
  raw->cvarManager = std::make_shared<CVarManagerWrapper>(raw);
  raw->gameWrapper = std::make_shared<GameWrapper>(raw);
  raw->plugin->cvarManager = raw->cvarManager;
  raw->plugin->gameWrapper = raw->gameWrapper;
  plugins_.push_back(std::move(slot));
  game_.admit(raw);
  http_.admit(raw);
  gui_.add(raw);
  calls_.run(raw, [&] { raw->plugin->onLoad(); });
  return raw;
}

std::optional<Host::Unload> Host::unloadNamed(const std::string& word) {
  if (word.empty()) return Unload::Whole;
  if (word == "without-release") return Unload::WithoutRelease;
  if (word == "keeping") return Unload::Keeping;
  return std::nullopt;
}

bool Host::unload(const std::string& name, std::string& error, Unload how) {
  auto found = std::find_if(plugins_.begin(), plugins_.end(),
                            [&](const auto& slot) { return slot->name == name; });
  if (found == plugins_.end()) {
    error = "plugin unload: no plugin named \"" + name + "\"";
    return false;
  }
  if (calls_.inside()) {
    // Not under the plugin's feet: its code may be on the stack right now.
    game_.post(nullptr, [this, name, how] {
      std::string later;
      if (!unload(name, later, how)) output_.error(later);
    });
    return true;
  }
  std::unique_ptr<PluginSlot> slot = std::move(*found);
  plugins_.erase(found);
  PluginSlot* raw = slot.get();

  gui_.forget(raw);
  if (raw->owner) calls_.run(raw, [&] { raw->owner->onUnload(); });
  raw->plugin = nullptr;
  raw->window = nullptr;
  std::weak_ptr<BakkesMod::Plugin::BakkesModPlugin> object = raw->owner;
  calls_.run(raw, [&] {
    raw->owner.reset();
    if (raw->library && how != Unload::WithoutRelease) {
      if (const PluginInfo* info = static_cast<const PluginInfo*>(raw->library.symbol("exports"))) {
        info->releaseFn();
      }
    }
  });
  if (how == Unload::Keeping) {
    const std::string plugin = raw->name;
    auto hooks = game_.replaceHooks(
        raw, [this, plugin](std::string event) { reportUnloadedCall(plugin, "a hook", event); });
    auto registrations = ratings_.replaceListeners(raw, [this, plugin](UniqueIDWrapper id) {
      reportUnloadedCall(plugin, "a rating registration", hostsdk::idText(id));
    });
    keptHooks_ += static_cast<int>(hooks.size());
    keptRegistrations_ += static_cast<int>(registrations.size());
    keepForever(std::move(hooks));
    keepForever(std::move(registrations));
  }
  // An object the host has let go of that still lives ends with the library; should a thread of
  // the plugin hold the library past its closing, on that thread. The host's watch goes before
  // the library closes: letting go of it may run the library's code.
  const bool lives = !object.expired();
  object.reset();
  // Every other callback of the plugin goes while its code is still there to destroy it.
  console_.forget(raw);
  game_.forget(raw);
  ratings_.forget(raw);
  // Replies still to come would call into the library: they go too, and one that is being
  // handled right now is waited for.
  const int dropped = http_.forget(raw);
  if (dropped > 0 && output_.tracing()) {
    output_.trace(Clock::format(clock_.now()) + " http: " + std::to_string(dropped) + " " +
                  (dropped == 1 ? "reply" : "replies") + " of " + raw->name + " dropped");
  }
  raw->cvarManager.reset();
  raw->gameWrapper.reset();
  // Requests from the library refused from here on, though a worker may keep it loaded.
  {
    std::lock_guard<std::mutex> lock(sharedMutex_);
    libraries_.erase(std::remove_if(libraries_.begin(), libraries_.end(),
                                    [&](const auto& library) { return library.second == raw; }),
                     libraries_.end());
  }
  const void* module = raw->library.module();
  raw->library.close();
  if (lives && module && moduleHolding(module)) {
    output_.error(raw->name + ": the plugin object outlived its unload, on a thread of the plugin");
  }
  return true;
}

void Host::reportUnloadedCall(const std::string& plugin, const std::string& what,
                              const std::string& detail) {
  ++unloadedCalls_;
  output_.error(plugin + ": " + what + " of an unloaded plugin was called (" + detail + ")");
}

void Host::addBuiltins() {
  console_.addBuiltin("plugin", "plugin load <name>|plugin unload <name> [without-release|keeping]",
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
  const std::optional<Unload> how = unloadNamed(words.size() == 4 ? words[3] : std::string());
  if (!((action == "load" && words.size() == 3) ||
        (action == "unload" && (words.size() == 3 || words.size() == 4) && how))) {
    output_.error(
        "plugin: use \"plugin load <name>\" or \"plugin unload <name> "
        "[without-release|keeping]\"");
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
    done = load(path, error);
  } else {
    done = unload(words[2], error, *how);
  }
  if (!done) output_.error(error);
}

void Host::menuCommand(const std::vector<std::string>& words) {
  const std::string& command = words[0];
  if (words.size() != 2) {
    output_.error(command + ": needs one menu name");
    return;
  }
  const bool known = command == "togglemenu" ? gui_.toggle(words[1])
                     : command == "openmenu" ? gui_.open(words[1])
                                             : gui_.close(words[1]);
  if (!known) output_.error(command + ": no window named \"" + words[1] + "\"");
}

}  // namespace host
