// A plugin's onLoad or onUnload on a thread of its own, and the game thread serving meanwhile.

#include "plugin_threads.h"

#include <algorithm>

namespace host {

std::optional<PluginThread> threadNamed(const std::string& word) {
  if (word == "on-own-thread") return PluginThread::Own;
  if (word == "on-game-thread") return PluginThread::Game;
  return std::nullopt;
}

std::optional<PluginThread> threadOption(const std::string& word) {
  if (word == "own") return PluginThread::Own;
  if (word == "game") return PluginThread::Game;
  if (word == "record") return PluginThread::Record;
  return std::nullopt;
}

OwnThread::OwnThread(GameThread& game, std::function<void()> code)
    : game_(game), thread_([this, code = std::move(code)] {
        code();
        done_.store(true);
        game_.post(nullptr, [] {});  // wakes the game thread
      }) {}

OwnThread::~OwnThread() {
  if (thread_.joinable()) thread_.join();
}

void OwnThread::finish(GameTurn& turn, Clock& clock) {
  // The longest the game thread sleeps between looks, in case a wake is missed.
  constexpr Micros kLook = 50000;
  while (!done_.load()) {
    Micros until = after(clock.now(), kLook);
    const bool real = clock.mode() == Clock::Mode::Real;
    if (real && game_.nextDue()) until = std::min(until, *game_.nextDue());
    game_.waitForPost(until);  // lets go of the turn meanwhile
    game_.runPosted();
    if (real) game_.runDue();
  }
  turn.awayFor([&] { thread_.join(); });
  game_.runPosted();
}

}  // namespace host
