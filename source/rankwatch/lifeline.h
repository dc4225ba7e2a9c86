#pragma once

// The SDK promises only that a plugin's console variables and commands go at its unload: a
// host may keep hooks, rating registrations, timers, posted callables and requests, and call or
// destroy them later, even after closing the library. So each callback holds a line to the
// object, never the object: onLoad opens one, onUnload and the destructor cut it, and a
// callback whose line is not open does nothing.
//
// The SDK promises no thread for onLoad and onUnload either: the host may run either on a
// thread of its own while its game thread goes on. So a callback that comes while onLoad is
// still under way is turned away too (onLoad catches up once it is over: opened()), and the
// cut waits for every callback under way, on whatever thread, with no time bound: nothing a
// callback does inside the line waits for the host's game thread.
//
// What the host may keep also holds the line (a Hold): one alive when the line is cut, or made
// after, keeps the library loaded for good (library.h). onUnload first undoes what it can
// (hooks, the rating registration), so that usually nothing is left and the library unloads.

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

  // A callback inside the object: the cut waits until it has left.
  class Inside {
   public:
    explicit Inside(Line& line) : line_(&line) {}
    Inside(Inside&& other) noexcept : line_(std::exchange(other.line_, nullptr)) {}
    Inside& operator=(Inside&&) = delete;
    ~Inside() {
      if (line_) line_->leave();
    }

   private:
    Line* line_;
  };

  // Any thread: inside while the line is open, nothing otherwise. A callback that touches
  // nothing onLoad writes may come in while onLoad is still under way.
  static constexpr bool kEvenWhileLoading = true;
  std::optional<Inside> enter(bool evenWhileLoading = false);
  // A hint, but for a caller inside.
  bool open() const { return state_.load() == State::Open; }
  // Valid while the caller is inside.
  rankwatch* object() const { return object_; }
  // onLoad's end, on its thread: callbacks reach the object from now on. True when one was
  // turned away while onLoad was under way.
  bool opened();
  // Inside a frame or onLoad: hands `callable` to the host's Execute while the line is open.
  void execute(std::function<void(GameWrapper*)> callable);
  // Never from inside: no callback reaches the object from now on, and this waits for those
  // under way. Then lets go of the game wrapper, and keeps the library loaded for good if a
  // callback the host may keep is still alive.
  void cut();

 private:
  friend class Hold;
  enum class State { Loading, Open, Cut };

  void leave();

  rankwatch* const object_;
  std::atomic<State> state_{State::Loading};  // changed under mutex_
  std::atomic<int> held_{0};                  // Holds alive
  std::mutex mutex_;
  std::condition_variable left_;
  int inside_ = 0;
  bool turnedAway_ = false;
  std::shared_ptr<GameWrapper> game_;  // let go of by the cut, once no one is inside
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

  // A Hold, or none unless the line is open: for a callback that need not be handed out then,
  // so the library need not stay.
  static std::optional<Hold> ifOpen(const std::shared_ptr<Line>& line);

  const std::shared_ptr<Line>& line() const { return line_; }

 private:
  struct Counted {};
  Hold(std::shared_ptr<Line> line, Counted) noexcept : line_(std::move(line)) {}

  std::shared_ptr<Line> line_;
};

// From inside a frame: runs `body(object)` on the game thread at its next turn, if the line is
// still open then. Nothing is handed over unless it is open now.
void toGameThread(const std::shared_ptr<Line>& line, std::function<void(rankwatch*)> body);

// Wraps `body(object, args...)` so that it runs only inside the line. For what the host clears
// at the unload: console variables' handlers and commands.
template <typename Body>
auto guard(std::shared_ptr<Line> line, Body body) {
  return [line = std::move(line), body = std::move(body)](auto&&... args) {
    if (auto inside = line->enter()) body(line->object(), std::forward<decltype(args)>(args)...);
  };
}

// The same for what the host may keep: hooks, the rating registration, timers, posted callables.
template <typename Body>
auto held(std::shared_ptr<Line> line, Body body) {
  return [hold = Hold(std::move(line)), body = std::move(body)](auto&&... args) {
    Line& line = *hold.line();
    if (auto inside = line.enter()) body(line.object(), std::forward<decltype(args)>(args)...);
  };
}

}  // namespace lifeline
