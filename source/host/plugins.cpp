// Loading, starting and unloading plugins, and who made a call that reaches the host.

#include "plugins.h"

#include <algorithm>

#include "loader.h"
#include "tombstones.h"

namespace host {

PluginSlot* Plugins::plugin(const std::string& name) {
  for (auto& slot : plugins_) {
    if (slot->name == name) return slot.get();
  }
  return nullptr;
}

std::vector<std::string> Plugins::names() const {
  std::vector<std::string> names;
  for (const auto& slot : plugins_) names.push_back(slot->name);
  return names;
}

bool Plugins::load(const std::string& path, std::string& error, PluginThread thread) {
  if (!startLoad(path, error, thread)) return false;
  finishLoads();
  return true;
}

void Plugins::finishLoads() {
  while (!loading_.empty()) finishLoad(loading_.front().slot);
}

void Plugins::finishLoad(const PluginSlot* slot) {
  auto found = std::find_if(loading_.begin(), loading_.end(),
                            [&](const Loading& loading) { return loading.slot == slot; });
  if (found == loading_.end()) return;
  std::unique_ptr<OwnThread> thread = std::move(found->thread);
  loading_.erase(found);
  const PluginSlot* outer = std::exchange(finishing_, slot);
  thread->finish(host_.turn, host_.clock);
  finishing_ = outer;
}

bool Plugins::startLoad(const std::string& path, std::string& error, PluginThread thread) {
  std::string reason;
  Library library = PluginCode::open(path, reason);
  const PluginInfo* info = library ? readPluginInfo(library, reason) : nullptr;
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
  host_.calls.run(nullptr, [&] {
    auto* holder =
        reinterpret_cast<std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>*>(info->createFn());
    if (holder) owner = *holder;
  });
  if (!owner) {
    host_.calls.run(nullptr, [&] { info->releaseFn(); });
    error = "plugin load: " + path + ": the plugin made no object";
    return false;
  }
  auto slot = std::make_unique<PluginSlot>();
  slot->name = info->className;
  slot->typeFlags = info->typeFlags;
  slot->library = std::move(library);
  slot->owner = std::move(owner);
  slot->code = std::make_shared<PluginCode>(slot->name, path, moduleHolding(info), closedCalls_,
                                            gameThread_);
  start(std::move(slot), thread);
  return true;
}

PluginSlot* Plugins::adopt(const std::string& name,
                           std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> plugin) {
  auto slot = std::make_unique<PluginSlot>();
  slot->name = name;
  slot->owner = std::move(plugin);
  slot->code =
      std::make_shared<PluginCode>(name, std::string(), nullptr, closedCalls_, gameThread_);
  PluginSlot* started = start(std::move(slot), PluginThread::Game);
  finishLoads();
  return started;
}

void Plugins::runLifecycle(PluginSlot* slot, const char* what, PluginThread thread,
                           std::uint32_t bit, const std::function<void()>& call) {
  const bool own = onOwnThread(thread, slot->typeFlags, bit);
  host_.output.trace(host_.clock, [&] {
    return slot->name + ": " + what + (own ? " on a thread of its own" : " on the game thread");
  });
  if (!own) {
    host_.calls.run(slot, call);
    return;
  }
  auto running = std::make_unique<OwnThread>(
      host_.game, [this, slot, call] { stopExceptions(host_.output, slot, call); });
  if (bit == kThreadedLoad) {
    loading_.push_back({slot, std::move(running)});
  } else {
    running->finish(host_.turn, host_.clock);
  }
}

PluginSlot* Plugins::start(std::unique_ptr<PluginSlot> slot, PluginThread thread) {
  PluginSlot* raw = slot.get();
  raw->plugin = raw->owner.get();
  raw->window = windowOf(raw->plugin);
  raw->settings = settingsOf(raw->plugin);
  raw->cvarManager = std::make_shared<CVarManagerWrapper>(raw);
  // The plugin object holds it to its end: should the object end on a thread of the plugin's
  // own, its destructor calls into the host from there.
  raw->gameWrapper = std::shared_ptr<GameWrapper>(
      new GameWrapper(raw),
      [gameThread = gameThread_, &output = host_.output, name = raw->name](GameWrapper* wrapper) {
        if (std::this_thread::get_id() != gameThread) {
          output.error(name + ": the plugin object ended on a thread of the plugin");
        }
        delete wrapper;
      });
  raw->plugin->cvarManager = raw->cvarManager;
  raw->plugin->gameWrapper = raw->gameWrapper;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // A closed load the new one maps again, or whose place it takes, is no caller any more.
    const void* module = raw->code->module();
    libraries_.erase(std::remove_if(libraries_.begin(), libraries_.end(),
                                    [&](const Loaded& loaded) {
                                      return !loaded.slot && module &&
                                             loaded.code->module() == module;
                                    }),
                     libraries_.end());
    libraries_.push_back({raw->code, raw, raw});
  }
  plugins_.push_back(std::move(slot));
  host_.game.admit(raw);
  host_.http.admit(raw);
  host_.gui.add(raw);
  runLifecycle(raw, "onLoad", thread == PluginThread::Record ? loadThread_ : thread, kThreadedLoad,
               [raw] { raw->plugin->onLoad(); });
  return raw;
}

std::optional<Unload> unloadNamed(const std::vector<std::string>& words, PluginThread* thread) {
  unsigned how = 0;
  bool placed = false;
  for (const std::string& word : words) {
    if (const std::optional<PluginThread> named = threadNamed(word)) {
      if (!thread || placed) return std::nullopt;
      *thread = *named;
      placed = true;
      continue;
    }
    const Unload flag = word == "without-release" ? Unload::WithoutRelease
                        : word == "keeping"       ? Unload::Keeping
                        : word == "holder-only"   ? Unload::HolderOnly
                                                  : Unload::Whole;
    if (flag == Unload::Whole || (how & static_cast<unsigned>(flag)) != 0) return std::nullopt;
    how |= static_cast<unsigned>(flag);
  }
  return static_cast<Unload>(how);
}

bool Plugins::unload(const std::string& name, std::string& error, Unload how, PluginThread thread) {
  // What each step guarantees, in order:
  //   1. Asked from plugin code, which may be on the stack, it waits for the game thread's turn;
  //      so does one asked while the game thread waits for the plugin's onLoad. An onLoad under
  //      way is waited for before anything else.
  //   2. The render thread stops drawing the plugin's windows before anything of them goes.
  //   3. onUnload runs while the object lives (through the holder alone it may be gone), on the
  //      thread the record or `thread` gives it; from its return on, any SDK call the plugin
  //      makes is one too many. Then the host lets go of its owner and, unless told not to,
  //      calls the release.
  //   4. A request the library sends from here on goes out as the host's own, its reply run
  //      only while the library is still mapped.
  //   5. Keeping: the plugin's hooks, rating registrations, timers, posted callables and
  //      replies pass to a stand-in of it, which holds them to the end of the run.
  //   6. The host's watch on the object goes before the close: letting go may run its code.
  //   7. All else the plugin handed over is taken out, then destroyed while its code is there
  //      (that runs its code, which may call the host); a reply being handled finishes on the
  //      HTTP thread, as one of a closed load.
  //   8. The library closes, ending an object the host let go of (one a plugin thread holds past
  //      the close is an error); what was kept runs, and is destroyed, only while still mapped.
  //      The slot is kept, emptied, so that a late call through a kept wrapper can be told.
  auto found = std::find_if(plugins_.begin(), plugins_.end(),
                            [&](const auto& slot) { return slot->name == name; });
  if (found == plugins_.end()) {
    error = "plugin unload: no plugin named " + inQuotes(name);
    return false;
  }
  if (host_.calls.inside() || (finishing_ && finishing_ == found->get())) {
    host_.game.post(nullptr, [this, name, how, thread] {
      std::string later;
      if (!unload(name, later, how, thread)) host_.output.error(later);
    });
    return true;
  }
  finishLoad(found->get());
  // Waiting for it may have run another unload of the plugin.
  found = std::find_if(plugins_.begin(), plugins_.end(),
                       [&](const auto& slot) { return slot->name == name; });
  if (found == plugins_.end()) return true;
  const auto has = [how](Unload flag) { return (unsigned(how) & unsigned(flag)) != 0; };
  std::unique_ptr<PluginSlot> slot = std::move(*found);
  plugins_.erase(found);
  PluginSlot* raw = slot.get();
  // A plugin made in this process has no holder: the host's owner is its only one.
  const bool throughHolder = has(Unload::HolderOnly) && raw->library;

  host_.gui.forget(raw);

  std::weak_ptr<BakkesMod::Plugin::BakkesModPlugin> object = raw->owner;
  if (throughHolder) raw->owner.reset();
  if (!object.expired()) {
    runLifecycle(raw, "onUnload", thread, kThreadedUnload, [raw] {
      raw->plugin->onUnload();
      hostsdk::markUnloaded(raw->unloaded);
    });
  }
  if (raw->unloaded.load() == 0) hostsdk::markUnloaded(raw->unloaded);
  raw->plugin = nullptr;
  raw->window = nullptr;
  raw->settings = nullptr;
  host_.calls.run(raw, [&] {
    raw->owner.reset();
    if (raw->library && !has(Unload::WithoutRelease)) {
      if (const PluginInfo* info = static_cast<const PluginInfo*>(raw->library.symbol("exports"))) {
        host_.output.trace(host_.clock, [&] { return raw->name + ": release function"; });
        info->releaseFn();
      }
    }
  });

  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Loaded& loaded : libraries_) {
      if (loaded.slot == raw) loaded.slot = nullptr;
    }
  }

  if (has(Unload::Keeping)) {
    auto kept = std::make_unique<PluginSlot>();
    kept->name = raw->name;
    kept->code = raw->code;
    host_.game.reown(raw, kept.get());
    host_.ratings.reown(raw, kept.get());
    host_.http.reown(raw, nullptr);
    unloaded_.push_back(std::move(kept));
  }

  // Through the holder alone the object is the holder's to end, or to leave alive.
  const bool lives = !throughHolder && !object.expired();
  object.reset();
  host_.console.forget(raw);
  host_.game.forget(raw);
  host_.ratings.forget(raw);
  const int dropped = host_.http.forget(raw);
  if (dropped > 0) {
    host_.output.trace(host_.clock, [&] {
      return "http: " + std::to_string(dropped) + " " + (dropped == 1 ? "reply" : "replies") +
             " of " + raw->name + " dropped";
    });
  }
  raw->cvarManager.reset();
  raw->gameWrapper.reset();

  raw->code->closed();
  // The library's unload may wait for the plugin's threads, which may wait for a turn.
  host_.turn.awayFor([&] { raw->library.close(); });
  const void* module = raw->code->module();
  if (lives && module && moduleHolding(module)) {
    host_.output.error(raw->name +
                       ": the plugin object outlived its unload, on a thread of the plugin");
  }
  bury(std::move(slot));
  return true;
}

void Plugins::unloadAll() {
  while (!plugins_.empty()) {
    std::string error;
    unload(plugins_.back()->name, error);
  }
  // What the host kept of unloaded plugins goes now: destroyed where its code is still there,
  // left alive where it is not.
  for (const auto& unloaded : unloaded_) {
    host_.game.forget(unloaded.get());
    host_.ratings.forget(unloaded.get());
  }
}

std::shared_ptr<PluginCode> Plugins::loaded(const PluginSlot* owner,
                                            std::shared_ptr<GameWrapper>& game) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Loaded& loaded : libraries_) {
    if (owner && loaded.slot == owner) {
      game = owner->gameWrapper;
      return loaded.code;
    }
  }
  return nullptr;
}

Plugins::Caller Plugins::callerAt(const void* address) const {
  const void* module = moduleHolding(address);
  if (!module) return {nullptr, "plugin", nullptr};
  // A loaded plugin before a closed load: a load that maps a closed one again is that one.
  const Loaded* closed = nullptr;
  for (const Loaded& loaded : libraries_) {
    if (loaded.code->module() != module) continue;
    if (loaded.slot) return {loaded.slot, loaded.slot->name, loaded.code, loaded.slot->lateNow()};
    closed = &loaded;
  }
  // Closed after the call came in: the slot, which outlives it, tells.
  if (closed) return {nullptr, closed->code->plugin(), closed->code, closed->was->lateNow()};
  return {nullptr, "plugin", nullptr};
}

}  // namespace host
