#pragma once

// The host's state is the game thread's. It holds the turn while it works and lets go of it
// only while it waits (for another thread, a frame, input, real time); an SDK call that reaches
// the game from another thread (onLoad or onUnload on a thread of its own, a reply, a plugin's
// own thread) takes the turn, and so waits for the game thread's next wait, as in a host that
// serves such calls between its own turns. No lock is held across: the turn is a state that
// a short lock guards, so that what the game thread locks meanwhile is never ordered against it.
//
// It also knows when the game thread runs plugin code, for a host whose Execute from another
// thread waits until it does not.

#include <condition_variable>
#include <mutex>
#include <thread>

namespace host {

class GameTurn {
 public:
  // The calling thread is the game thread, and holds the turn from now on.
  GameTurn() = default;
  GameTurn(const GameTurn&) = delete;
  GameTurn& operator=(const GameTurn&) = delete;

  bool onGameThread() const { return std::this_thread::get_id() == gameThread_; }

  // Held for its scope by another thread (again by the same thread, inside it, at once); on the
  // game thread, which holds the turn already, nothing.
  class Taken {
   public:
    explicit Taken(GameTurn* turn) : turn_(turn) {}
    ~Taken() {
      if (turn_) turn_->giveBack();
    }
    Taken(Taken&& other) noexcept : turn_(other.turn_) { other.turn_ = nullptr; }
    Taken(const Taken&) = delete;
    Taken& operator=(const Taken&) = delete;
    Taken& operator=(Taken&&) = delete;

   private:
    GameTurn* turn_;
  };
  Taken take();

  // Game thread: lets go of the turn while `wait` runs, and takes it again after, once no other
  // thread holds it.
  template <typename Wait>
  void awayFor(Wait&& wait) {
    if (!onGameThread() || !leave()) {
      wait();
      return;
    }
    struct Back {
      GameTurn& turn;
      ~Back() { turn.comeBack(); }
    } back{*this};
    wait();
  }

  // Game thread: plugin code starts or ends there (calls nest).
  void enterPlugin();
  void leavePlugin();
  // Any other thread: waits until the game thread runs no plugin code.
  void waitOutsidePlugin();

 private:
  bool leave();  // false when away already
  void comeBack();
  void giveBack();

  const std::thread::id gameThread_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable changed_;
  bool gameHolds_ = true;
  std::thread::id holder_;  // another thread holding the turn; none: nobody
  int holds_ = 0;           // its nested holds
  int pluginDepth_ = 0;
};

}  // namespace host
