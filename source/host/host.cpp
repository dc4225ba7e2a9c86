#include "host.h"

#include <algorithm>

#include "config_file.h"
#include "gui/gui_ini.h"

namespace host {

namespace {

std::string iniFileIn(const std::filesystem::path& folder) {
  return folder.empty() ? std::string() : (folder / "gui.ini").string();
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
      gui_(output, clock, iniFileIn(configFolder_)),
      closedCalls_(std::make_shared<ClosedCalls>(output)) {
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
  // What the host kept of unloaded plugins goes now: destroyed where its code is still there,
  // left alive where it is not.
  for (const auto& unloaded : unloaded_) {
    game_.forget(unloaded.get());
    ratings_.forget(unloaded.get());
  }
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    closing_ = true;
  }
  sendWake_.notify_all();
  http_.shutdown();
  unloaded_.clear();
  const int leftAlive = closedCalls_->leftAlive.load();
  if (leftAlive > 0) {
    output_.note("the host left " + counted(leftAlive, "callable") +
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
  Library library = PluginCode::open(path, reason);
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
  slot->code = std::make_shared<PluginCode>(slot->name, path, moduleHolding(info), closedCalls_);
  start(std::move(slot));
  return true;
}

PluginSlot* Host::adopt(const std::string& name,
                        std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> plugin) {
  auto slot = std::make_unique<PluginSlot>();
  slot->name = name;
  slot->owner = std::move(plugin);
  slot->code = std::make_shared<PluginCode>(name, std::string(), nullptr, closedCalls_);
  return start(std::move(slot));
}

PluginSlot* Host::start(std::unique_ptr<PluginSlot> slot) {
  PluginSlot* raw = slot.get();
  raw->plugin = raw->owner.get();
  raw->window = windowOf(raw->plugin);
  raw->cvarManager = std::make_shared<CVarManagerWrapper>(raw);
  // The plugin object holds it to its end: should the object end on a thread of the plugin's
  // own, its destructor calls into the host from there.
  raw->gameWrapper = std::shared_ptr<GameWrapper>(
      new GameWrapper(raw),
      [gameThread = gameThread_, &output = output_, name = raw->name](GameWrapper* wrapper) {
        if (std::this_thread::get_id() != gameThread) {
          output.error(name + ": the plugin object ended on a thread of the plugin");
        }
        delete wrapper;
      });
  raw->plugin->cvarManager = raw->cvarManager;
  raw->plugin->gameWrapper = raw->gameWrapper;
  {
    std::lock_guard<std::mutex> lock(sharedMutex_);
    // A closed load the new one maps again, or whose place it takes, is no caller any more.
    const void* module = raw->code->module();
    libraries_.erase(std::remove_if(libraries_.begin(), libraries_.end(),
                                    [&](const Loaded& loaded) {
                                      return !loaded.slot && module &&
                                             loaded.code->module() == module;
                                    }),
                     libraries_.end());
    libraries_.push_back({raw->code, raw});
  }
  plugins_.push_back(std::move(slot));
  game_.admit(raw);
  http_.admit(raw);
  gui_.add(raw);
  calls_.run(raw, [&] { raw->plugin->onLoad(); });
  return raw;
}

std::optional<Host::Unload> Host::unloadNamed(const std::vector<std::string>& words) {
  unsigned how = 0;
  for (const std::string& word : words) {
    const Unload flag = word == "without-release" ? Unload::WithoutRelease
                        : word == "keeping"       ? Unload::Keeping
                        : word == "holder-only"   ? Unload::HolderOnly
                                                  : Unload::Whole;
    if (flag == Unload::Whole || (how & static_cast<unsigned>(flag)) != 0) return std::nullopt;
    how |= static_cast<unsigned>(flag);
  }
  return static_cast<Unload>(how);
}

bool Host::unload(const std::string& name, std::string& error, Unload how) {
  //   1. The render thread draws the plugin's windows no more.
  //   2. onUnload; the host lets go of its owner and, unless told not to, calls the release.
  //   3. A request the library sends from here on is no longer the plugin's: it goes out as
  //      the host's own, and its reply runs only while the library is still mapped.
  //   4. Keeping: the plugin's hooks, rating registrations, timers, posted callables and
  //      replies pass to a stand-in of it, which holds them to the end of the run.
  //   5. Everything else the plugin handed over is destroyed while its code is still there.
  //   6. The library closes; what was kept now runs, and is destroyed, only while the library
  //      is still mapped (plugin_code.h).
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
  const auto has = [how](Unload flag) { return (unsigned(how) & unsigned(flag)) != 0; };
  const bool release = !has(Unload::WithoutRelease);
  const bool keep = has(Unload::Keeping);
  std::unique_ptr<PluginSlot> slot = std::move(*found);
  plugins_.erase(found);
  PluginSlot* raw = slot.get();
  // A plugin made in this process has no holder: the host's owner is its only one.
  const bool throughHolder = has(Unload::HolderOnly) && raw->library;

  gui_.forget(raw);

  std::weak_ptr<BakkesMod::Plugin::BakkesModPlugin> object = raw->owner;
  if (throughHolder) raw->owner.reset();
  if (!object.expired()) calls_.run(raw, [&] { raw->plugin->onUnload(); });
  raw->plugin = nullptr;
  raw->window = nullptr;
  calls_.run(raw, [&] {
    raw->owner.reset();
    if (raw->library && release) {
      if (const PluginInfo* info = static_cast<const PluginInfo*>(raw->library.symbol("exports"))) {
        if (output_.tracing()) {
          output_.trace(Clock::format(clock_.now()) + " " + raw->name + ": release function");
        }
        info->releaseFn();
      }
    }
  });

  {
    std::lock_guard<std::mutex> lock(sharedMutex_);
    for (Loaded& loaded : libraries_) {
      if (loaded.slot == raw) loaded.slot = nullptr;
    }
  }

  if (keep) {
    auto kept = std::make_unique<PluginSlot>();
    kept->name = raw->name;
    kept->code = raw->code;
    game_.reown(raw, kept.get());
    ratings_.reown(raw, kept.get());
    http_.reown(raw, nullptr);
    unloaded_.push_back(std::move(kept));
  }

  // An object the host has let go of that still lives ends with the library; should a thread of
  // the plugin hold the library past its closing, on that thread. The host's watch goes before
  // the library closes: letting go of it may run the library's code. (Through the holder alone
  // the object is the holder's to end, or to leave alive.)
  const bool lives = !throughHolder && !object.expired();
  object.reset();
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

  raw->code->closed();
  raw->library.close();
  const void* module = raw->code->module();
  if (lives && module && moduleHolding(module)) {
    output_.error(raw->name + ": the plugin object outlived its unload, on a thread of the plugin");
  }
  return true;
}

void Host::addBuiltins() {
  console_.addBuiltin("plugin",
                      "plugin load <name>|plugin unload <name> [without-release] [keeping] "
                      "[holder-only]",
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
  const std::optional<Unload> how =
      words.size() >= 3 ? unloadNamed({words.begin() + 3, words.end()}) : std::nullopt;
  if (!((action == "load" && words.size() == 3) || (action == "unload" && how))) {
    output_.error(
        "plugin: use \"plugin load <name>\" or \"plugin unload <name> [without-release] "
        "[keeping] [holder-only]\"");
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
