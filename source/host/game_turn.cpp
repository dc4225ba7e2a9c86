// The game thread's hold on the host's state, and its calls into plugin code.

#include "game_turn.h"

namespace host {

GameTurn::GameTurn() : gameThread_(std::this_thread::get_id()) {
  mutex_.lock();
}

GameTurn::~GameTurn() {
  mutex_.unlock();
}

std::unique_lock<std::mutex> GameTurn::take() {
  if (onGameThread()) return {};
  return std::unique_lock<std::mutex>(mutex_);
}

void GameTurn::enterPlugin() {
  std::lock_guard<std::mutex> lock(pluginMutex_);
  ++pluginDepth_;
}

void GameTurn::leavePlugin() {
  {
    std::lock_guard<std::mutex> lock(pluginMutex_);
    if (--pluginDepth_ > 0) return;
  }
  pluginLeft_.notify_all();
}

void GameTurn::waitOutsidePlugin() {
  std::unique_lock<std::mutex> lock(pluginMutex_);
  pluginLeft_.wait(lock, [&] { return pluginDepth_ == 0; });
}

}  // namespace host
