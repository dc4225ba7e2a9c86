#pragma once

// The SDK promises only that a plugin's console variables and commands go at its unload: a
// host may keep hooks, rating registrations, timers, posted callables and requests, and call or
// destroy them later, even after closing the library. So each callback holds a line to the
// object, never the object: onLoad opens one, onUnload and the destructor cut it, and a
// callback whose line is cut does nothing.
//
// What the host may keep also holds the line (a Hold): one alive when the line is cut, or made
// after, keeps the library loaded for good (library.h). onUnload first undoes what it can
// (hooks, the rating registration), so that usually nothing is left and the library unloads.
//
// Lines are opened and cut on the game thread, and the object is reached only there; any
// thread may ask a line whether it is open, and hand work to the game thread through it.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "host_sdk.h"

class rankwatch;

namespace lifeline {

class Line {
 public:
  Line(rankwatch* object, std::shared_ptr<GameWrapper> game)
      : object_(object), game_(std::move(game)) {}
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  // On the game thread the answer holds until the caller returns; elsewhere it is a hint.
  bool open() const { return open_.load(); }
  // Valid only while the line is open, and only on the game thread.
  rankwatch* object() const { return object_; }
  // Any thread: hands `callable` to the host's Execute while the line is open. The cut waits
  // for a hand-over under way, so that none reaches the host after the unload.
  void execute(std::function<void(GameWrapper*)> callable);
  // Game thread. Lets go of the game wrapper, so that a cut line holds nothing of the host
  // whichever thread lets go of it last; then keeps the library loaded for good if a callback
  // the host may keep is still alive.
  void cut();

 private:
  friend class Hold;

  rankwatch* const object_;
  std::atomic<bool> open_{true};
  std::atomic<int> held_{0};  // Holds alive
  std::mutex mutex_;
  std::condition_variable handedOver_;
  int handing_ = 0;  // hand-overs under way
  std::shared_ptr<GameWrapper> game_;

  void handedOver(std::shared_ptr<GameWrapper>& game);
};

// The line as a callback the host may keep holds it, counted on the line (above).
class Hold {
 public:
  explicit Hold(std::shared_ptr<Line> line);
  Hold(const Hold& other) : Hold(other.line_) {}
  Hold(Hold&& other) noexcept : line_(std::move(other.line_)) {}
  Hold& operator=(const Hold&) = delete;
  Hold& operator=(Hold&&) = delete;
  ~Hold();

  // A Hold, or none when the line is cut already: for a callback that need not be handed out
  // then, so the library need not stay.
  static std::optional<Hold> ifOpen(const std::shared_ptr<Line>& line);

  const std::shared_ptr<Line>& line() const { return line_; }

 private:
  struct Counted {};
  Hold(std::shared_ptr<Line> line, Counted) noexcept : line_(std::move(line)) {}

  std::shared_ptr<Line> line_;
};

// From any thread: runs `body(object)` on the game thread at its next turn, if the line is
// still open then. Nothing is handed over once it is cut.
void toGameThread(const std::shared_ptr<Line>& line, std::function<void(rankwatch*)> body);

// Wraps `body(object, args...)` so that it runs only while the line is open. For what the host
// clears at the unload: console variables' handlers and commands.
template <typename Body>
auto guard(std::shared_ptr<Line> line, Body body) {
  return [line = std::move(line), body = std::move(body)](auto&&... args) {
    if (line->open()) body(line->object(), std::forward<decltype(args)>(args)...);
  };
}

// The same for what the host may keep: hooks, the rating registration, timers.
template <typename Body>
auto held(std::shared_ptr<Line> line, Body body) {
  return [hold = Hold(std::move(line)), body = std::move(body)](auto&&... args) {
    const Line& line = *hold.line();
    if (line.open()) body(line.object(), std::forward<decltype(args)>(args)...);
  };
}

}  // namespace lifeline
