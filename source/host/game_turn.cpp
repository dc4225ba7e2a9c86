// The game thread's turn on the host's state, and its calls into plugin code.

#include "game_turn.h"

namespace host {

GameTurn::Taken GameTurn::take() {
  if (onGameThread()) return Taken(nullptr);
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(mutex_);
  if (holder_ != self) {
    changed_.wait(lock, [&] { return !gameHolds_ && holder_ == std::thread::id(); });
    holder_ = self;
  }
  ++holds_;
  return Taken(this);
}

void GameTurn::giveBack() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (--holds_ > 0) return;
    holder_ = std::thread::id();
  }
  changed_.notify_all();
}

bool GameTurn::leave() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!gameHolds_) return false;
    gameHolds_ = false;
  }
  changed_.notify_all();
  return true;
}

void GameTurn::comeBack() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return holder_ == std::thread::id(); });
  gameHolds_ = true;
}

void GameTurn::enterPlugin() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++pluginDepth_;
}

void GameTurn::leavePlugin() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (--pluginDepth_ > 0) return;
  }
  changed_.notify_all();
}

void GameTurn::waitOutsidePlugin() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return pluginDepth_ == 0; });
}

}  // namespace host
