#pragma once

// The game thread's work: hooks on game functions, timers and callbacks posted from other
// threads. Everything here runs on the game thread, one at a time, through PluginCalls.
// Due timers run in due order; timers due at the same moment run in the order they were set.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "clock.h"
#include "game_turn.h"
#include "plugin_slot.h"

namespace host {

class GameThread {
 public:
  // `turn`, when given, is let go while the game thread waits in real time.
  GameThread(Clock& clock, PluginCalls& calls, GameTurn* turn = nullptr)
      : clock_(clock), calls_(calls), turn_(turn) {}

  void hook(PluginSlot* owner, const std::string& name, std::function<void(std::string)> call);
  void unhook(PluginSlot* owner, const std::string& name);
  // Runs every hook on that game function; returns how many ran.
  int fire(const std::string& name);

  void setTimeout(PluginSlot* owner, std::function<void()> call, float seconds);
  std::optional<Micros> nextDue() const;
  // Runs the timers due by now, and any they set that are due by now too.
  void runDue();

  // Posts are taken only for plugins admitted and not yet forgotten, or for the host itself
  // (no owner). Safe from any thread.
  void admit(const PluginSlot* owner);
  void post(PluginSlot* owner, std::function<void()> call);
  void runPosted();
  // Whether posted callbacks wait to run. Safe from any thread.
  bool hasPosted() const;
  // Real time: sleeps until `deadline`, or until something is posted.
  void waitForPost(Micros deadline);

  // Virtual time: moves the clock to now + `span`, running timers and posted callbacks on the
  // way. Real time: does the same while the time passes.
  void pass(Micros span);

  // Drops everything of a plugin that is about to go away.
  void forget(const PluginSlot* owner);
  // Hands the hooks, timers and posted callables of `from` over to `to`, as a host that keeps them.
  void reown(const PluginSlot* from, PluginSlot* to);

 private:
  struct Hook {
    PluginSlot* owner;
    std::string name;
    std::function<void(std::string)> call;
  };
  // A timer's or a posted callback's call.
  struct Call {
    PluginSlot* owner;
    std::function<void()> call;
  };

  Clock& clock_;
  PluginCalls& calls_;
  GameTurn* const turn_;
  std::vector<Hook> hooks_;
  std::map<std::pair<Micros, std::uint64_t>, Call> timers_;  // by due time, then order set
  std::uint64_t timersSet_ = 0;
  mutable std::mutex postedMutex_;
  std::condition_variable postedSignal_;
  std::deque<Call> posted_;
  std::vector<const PluginSlot*> admitted_;
};

}  // namespace host
