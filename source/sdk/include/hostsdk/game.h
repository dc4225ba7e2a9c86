#pragma once

// The game as a plugin reaches it: hooks on its functions, timers, work handed to its thread.

#include <functional>
#include <string>

#include "hostsdk/export.h"
#include "hostsdk/mmr.h"
#include "hostsdk/unique_id.h"

namespace hostsdk {
struct PluginSlot;
}

// The game, as one plugin sees it. Everything it calls back runs on the game thread.
class HOSTSDK_API GameWrapper {
 public:
  explicit GameWrapper(hostsdk::PluginSlot* owner);

  // The callback runs each time the game runs that function, with its name.
  void HookEvent(std::string eventName, std::function<void(std::string eventName)> callback);
  void UnhookEvent(std::string eventName);
  // The callback runs once, `seconds` of game time from now.
  void SetTimeout(std::function<void(GameWrapper*)> callback, float seconds);
  // Safe from any thread: the callback runs on the game thread at its next turn.
  void Execute(std::function<void(GameWrapper*)> callback);
  UniqueIDWrapper GetUniqueID();
  MMRWrapper GetMMRWrapper();

 private:
  hostsdk::PluginSlot* owner_;
};
