#pragma once

// Which thread runs a plugin's onLoad and onUnload. The record's type word asks for a thread of
// the host's own for either (the published SDK's PLUGINTYPE_THREADED and
// PLUGINTYPE_THREADEDUNLOAD); a statement, or the whole run, may force either way for any
// plugin. On a thread of its own the code runs while the game thread goes on: it serves what
// comes due (posted callables, and due timers in real time) until the code has returned.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "clock.h"
#include "game_thread.h"
#include "game_turn.h"

namespace host {

enum class PluginThread { Record, Own, Game };

inline constexpr std::uint32_t kThreadedLoad = 0x20;
inline constexpr std::uint32_t kThreadedUnload = 0x40;

// Whether the call the record's `bit` stands for runs on a thread of its own.
inline bool onOwnThread(PluginThread choice, std::uint32_t typeFlags, std::uint32_t bit) {
  return choice == PluginThread::Own || (choice == PluginThread::Record && (typeFlags & bit));
}

// "on-own-thread" or "on-game-thread"; nothing for any other word.
std::optional<PluginThread> threadNamed(const std::string& word);
// "own", "game" or "record", as the command line names them.
std::optional<PluginThread> threadOption(const std::string& word);

// Plugin code under way on a thread of its own.
class OwnThread {
 public:
  // Starts `code` on a new thread; `game` is woken when it has returned.
  OwnThread(GameThread& game, std::function<void()> code);
  // Joins, should finish() not have.
  ~OwnThread();
  OwnThread(const OwnThread&) = delete;
  OwnThread& operator=(const OwnThread&) = delete;

  bool done() const { return done_.load(); }
  // Game thread: serves posted callables, and due timers in real time, until the code has
  // returned, letting go of the turn while it waits; then what the code posted last.
  void finish(GameTurn& turn, Clock& clock);

 private:
  GameThread& game_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace host
