#pragma once

// One loaded plugin as the host keeps it, and how the host runs plugin code.

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game_turn.h"
#include "hostsdk/backend.h"
#include "hostsdk/plugin.h"
#include "hostsdk/plugin_settings_window.h"
#include "hostsdk/plugin_window.h"
#include "loader.h"
#include "output.h"
#include "plugin_code.h"

namespace hostsdk {

// The SDK's wrappers carry a pointer to this as the identity of the plugin that calls.
struct PluginSlot {
  std::string name;  // the record's class name: `plugin unload` addresses the plugin by it
  std::uint32_t typeFlags = 0;  // the record's type word
  host::Library library;        // empty for a plugin object made in-process
  std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> owner;  // the host's own owner
  BakkesMod::Plugin::BakkesModPlugin* plugin = nullptr;
  BakkesMod::Plugin::PluginWindow* window = nullptr;            // not owning; null when it has none
  BakkesMod::Plugin::PluginSettingsWindow* settings = nullptr;  // its settings page, the same
  std::shared_ptr<CVarManagerWrapper> cvarManager;
  std::shared_ptr<GameWrapper> gameWrapper;
  // The load the plugin's code came with; what the host keeps of the plugin holds it too.
  std::shared_ptr<host::PluginCode> code;
  // Marked as its onUnload returns (hostsdk::markUnloaded): any SDK call it makes from then on
  // is one too many. The slot itself outlives the plugin (tombstones.h), so that such a call can
  // be told. 0: not yet.
  std::atomic<std::uint64_t> unloaded{0};
  // Whether the SDK call this thread is making came in after that.
  bool lateNow() const {
    const std::uint64_t mark = unloaded.load();
    return mark != 0 && mark <= hostsdk::callEnteredAt();
  }
};

}  // namespace hostsdk

namespace host {

using hostsdk::PluginSlot;

// Moves the items `picks` chooses out of `items`, keeping the rest in order. What a plugin
// handed the host is taken out before it is destroyed: destroying a plugin's callback runs
// the plugin's code, which may call back into the container it came from.
template <typename Container, typename Picks>
std::vector<typename Container::value_type> takeOut(Container& items, Picks picks) {
  std::vector<typename Container::value_type> taken;
  for (auto it = items.begin(); it != items.end();) {
    if (picks(*it)) {
      taken.push_back(std::move(*it));
      it = items.erase(it);
    } else {
      ++it;
    }
  }
  return taken;
}

// Hands every item of `from` in `items` over to `to`, as a host that keeps them.
template <typename Container, typename Owner>
void reown(Container& items, const PluginSlot* from, Owner* to) {
  for (auto& item : items) {
    if (item.owner == from) item.owner = to;
  }
}

// Runs plugin code and stops what it throws at the border, reporting it as the plugin's error.
template <typename Call>
void stopExceptions(Output& output, const PluginSlot* slot, Call&& call) {
  try {
    call();
  } catch (const std::exception& error) {
    output.error((slot ? slot->name : std::string("plugin")) + ": " + error.what());
  } catch (...) {
    output.error((slot ? slot->name : std::string("plugin")) + ": unknown exception");
  }
}

// Every call into plugin code on the game thread goes through run(): it knows when the host is
// inside a plugin (a plugin must not be unloaded under its own feet), stops exceptions at the
// border, and holds back work that must not run inside a plugin's callback. Game thread only;
// window operations run on the render thread (gui/gui.h), and onLoad or onUnload on a thread of
// their own (plugin_threads.h). `turn`, when given, hears when a plugin's code runs (a slot's).
class PluginCalls {
 public:
  explicit PluginCalls(Output& output, GameTurn* turn = nullptr) : output_(output), turn_(turn) {}

  template <typename Call>
  void run(const PluginSlot* slot, Call&& call) {
    const bool plugin = slot && turn_;
    if (plugin) turn_->enterPlugin();
    ++depth_;
    stopExceptions(output_, slot, call);
    --depth_;
    if (plugin) turn_->leavePlugin();
    if (depth_ == 0) runDeferred();
  }

  bool inside() const { return depth_ > 0; }
  // How many calls into plugins are on the stack.
  int depth() const { return depth_; }

  // Runs `work` at once when no plugin code is on the stack, otherwise as soon as the
  // outermost call into a plugin returns; deferred work runs in the order it came.
  void defer(std::function<void()> work) {
    deferred_.push_back(std::move(work));
    if (depth_ == 0) runDeferred();
  }

 private:
  void runDeferred() {
    // Work that calls a plugin drains the rest itself when that call returns.
    while (depth_ == 0 && !deferred_.empty()) {
      std::function<void()> work = std::move(deferred_.front());
      deferred_.pop_front();
      work();
    }
  }

  Output& output_;
  GameTurn* const turn_;
  int depth_ = 0;
  std::deque<std::function<void()>> deferred_;
};

}  // namespace host
