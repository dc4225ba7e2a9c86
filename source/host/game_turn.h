#pragma once

// The host's state is the game thread's. It holds this lock while it works and lets go of it
// only while it waits (for another thread, a frame, input, real time); an SDK call that reaches
// the game from another thread (onLoad or onUnload on a thread of its own, a reply, a plugin's
// own thread) takes it, and so waits for the game thread's next wait, as in a host that serves
// such calls between its own turns.
//
// It also knows when the game thread runs plugin code, for a host whose Execute from another
// thread waits until it does not.

#include <condition_variable>
#include <mutex>
#include <thread>

namespace host {

class GameTurn {
 public:
  // The calling thread is the game thread, and holds the lock from now on.
  GameTurn();
  ~GameTurn();
  GameTurn(const GameTurn&) = delete;
  GameTurn& operator=(const GameTurn&) = delete;

  bool onGameThread() const { return std::this_thread::get_id() == gameThread_; }
  // Any thread: held for the scope on another thread; on the game thread, which holds it
  // already, nothing.
  std::unique_lock<std::mutex> take();
  // Game thread: lets go while `wait` runs, and holds it again after.
  template <typename Wait>
  void awayFor(Wait&& wait) {
    if (!onGameThread()) {
      wait();
      return;
    }
    mutex_.unlock();
    struct Again {
      std::mutex& mutex;
      ~Again() { mutex.lock(); }
    } again{mutex_};
    wait();
  }

  // Game thread: plugin code starts or ends there (calls nest).
  void enterPlugin();
  void leavePlugin();
  // Any other thread: waits until the game thread runs no plugin code.
  void waitOutsidePlugin();

 private:
  const std::thread::id gameThread_;
  std::mutex mutex_;
  std::mutex pluginMutex_;
  std::condition_variable pluginLeft_;
  int pluginDepth_ = 0;
};

}  // namespace host
