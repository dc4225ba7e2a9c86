#pragma once

// The plugins in the host, from load to unload: opening a library or adopting an object made
// in-process, starting it, the ways of letting it go, and what the host keeps of a plugin it
// let go of `keeping`. Game thread, but for telling who made a call.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "clock.h"
#include "console.h"
#include "game_thread.h"
#include "game_turn.h"
#include "gui/gui.h"
#include "net/http_client.h"
#include "output.h"
#include "plugin_code.h"
#include "plugin_slot.h"
#include "plugin_threads.h"
#include "rating_service.h"

namespace host {

// How a plugin is let go, as flags. Every way clears the plugin's console variables, commands
// and windows, calls onUnload, lets go of the host's owner and closes the library.
enum class Unload : unsigned {
  Whole = 0,           // the release function is called, and everything else is dropped
  WithoutRelease = 1,  // the release function is not: the library's own unload ends the object
  Keeping = 2,         // hooks, rating registrations, timers, posted callables and requests
                       // with their replies are kept, and called as they come due
  HolderOnly = 4,      // the host lets go of its owner first and reaches the object only
                       // through the library's holder, as a host that never took one
};

// The way the words after the plugin's name give: none, or any of "without-release",
// "keeping" and "holder-only", each once, and at most one of "on-own-thread" and
// "on-game-thread", which says where onUnload runs (`thread`); nothing for any other words.
std::optional<Unload> unloadNamed(const std::vector<std::string>& words,
                                  PluginThread* thread = nullptr);

class Plugins {
 public:
  // The parts of the host a plugin reaches, all of which it leaves when it goes.
  struct Parts {
    Output& output;
    Clock& clock;
    PluginCalls& calls;
    Console& console;
    GameThread& game;
    Gui& gui;
    RatingService& ratings;
    HttpClient& http;
    GameTurn& turn;
  };
  explicit Plugins(Parts host)
      : host_(host), closedCalls_(std::make_shared<ClosedCalls>(host.output)) {}

  // Opens a plugin library, makes its object and loads it, returning once its onLoad has
  // returned, on whichever thread `thread` (or, for Record, the run's choice) gives it. False,
  // with a one-line reason, for a library that is not a plugin or a plugin already loaded.
  bool load(const std::string& path, std::string& error,
            PluginThread thread = PluginThread::Record);
  // The same, but returns while onLoad still runs on a thread of its own; finishLoads(), an
  // unload of the plugin or the end of the run waits for it.
  bool startLoad(const std::string& path, std::string& error,
                 PluginThread thread = PluginThread::Record);
  void finishLoads();
  // Loads a plugin object made in this process (no library behind it).
  PluginSlot* adopt(const std::string& name,
                    std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> plugin);
  // Asked from inside plugin code, it happens at the game thread's next turn.
  bool unload(const std::string& name, std::string& error, Unload how = Unload::Whole,
              PluginThread thread = PluginThread::Record);
  // Where onLoad runs when a load leaves it to the run: the record's choice by default.
  void setLoadThread(PluginThread thread) { loadThread_ = thread; }
  // Unloads every plugin, then drops what was kept of those unloaded `keeping`; their stand-ins
  // go with dropUnloaded, once the HTTP client has shut down.
  void unloadAll();
  void dropUnloaded() { unloaded_.clear(); }

  PluginSlot* plugin(const std::string& name);
  std::vector<std::string> names() const;
  const ClosedCalls& closedCalls() const { return *closedCalls_; }

  // Who made a call from `address`: a loaded plugin, a load the host has closed, or neither (the
  // host's own code, or a library it never loaded).
  struct Caller {
    const PluginSlot* plugin = nullptr;  // an identity only: the plugin may go meanwhile
    std::string name;
    std::shared_ptr<PluginCode> code;  // its load, when known: loaded now, or closed
    bool unloaded = false;  // its onUnload had returned as the call came in: one too many
  };
  // Any thread: runs `use` with the caller at `address` while no unload can close its load.
  template <typename Use>
  void withCaller(const void* address, Use&& use) const {
    std::lock_guard<std::mutex> lock(mutex_);
    use(callerAt(address));
  }
  // Any thread: the load of `owner` and its game wrapper while it is loaded; none otherwise.
  std::shared_ptr<PluginCode> loaded(const PluginSlot* owner,
                                     std::shared_ptr<GameWrapper>& game) const;

 private:
  PluginSlot* start(std::unique_ptr<PluginSlot> slot, PluginThread thread);
  // Runs onLoad or onUnload (`what`) on the thread `thread` and the record's `bit` give it.
  void runLifecycle(PluginSlot* slot, const char* what, PluginThread thread, std::uint32_t bit,
                    const std::function<void()>& call);
  // Waits for the onLoad under way of `slot`, if any.
  void finishLoad(const PluginSlot* slot);
  Caller callerAt(const void* address) const;  // with mutex_ held

  Parts host_;
  PluginThread loadThread_ = PluginThread::Record;
  struct Loading {
    PluginSlot* slot;
    std::unique_ptr<OwnThread> thread;
  };
  std::vector<Loading> loading_;           // onLoads under way on threads of their own
  const PluginSlot* finishing_ = nullptr;  // whose onLoad the game thread waits for now
  const std::thread::id gameThread_ = std::this_thread::get_id();
  std::shared_ptr<ClosedCalls> closedCalls_;
  std::vector<std::unique_ptr<PluginSlot>> plugins_;
  // One for each plugin unloaded with `keeping`: what the host kept of it is theirs.
  std::vector<std::unique_ptr<PluginSlot>> unloaded_;
  // Each plugin library from load until it is closed, read from the threads sending requests.
  mutable std::mutex mutex_;
  struct Loaded {
    std::shared_ptr<PluginCode> code;
    PluginSlot* slot;       // null once the host has closed it
    const PluginSlot* was;  // its slot, kept for good (tombstones.h)
  };
  std::vector<Loaded> libraries_;
};

}  // namespace host
