#pragma once

// Callbacks the plugin hands out may be called after it is unloaded: a host may keep timers,
// posted callables, commands and replies after onUnload, and a lookup's worker or reply may
// outlive the object. Each such callback holds a line to the object, never the object: onLoad
// opens it, onUnload and the destructor cut it, and a callback whose line is cut does nothing.
// Lines are opened, cut and followed on the game thread; from any thread a line can be taken
// (the window's close takes one on the render thread), asked whether it is still open, and
// work handed to the game thread through it.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "host_sdk.h"

class rankwatch;

namespace lifeline {

class Line {
 public:
  // A line never opened: an object's before onLoad.
  Line() = default;
  Line(rankwatch* object, std::shared_ptr<GameWrapper> game);
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  // On the game thread the answer holds until the caller returns; elsewhere it is a hint.
  bool open() const { return open_.load(); }
  // Valid only while the line is open, and only on the game thread.
  rankwatch* object() const { return object_; }
  // Any thread: the host's game wrapper while the line is open, empty once it is cut.
  std::shared_ptr<GameWrapper> game() const;
  // Game thread. Lets go of the game wrapper: a cut line holds nothing of the host, whichever
  // thread lets go of the line last.
  void cut();

 private:
  rankwatch* object_ = nullptr;
  std::atomic<bool> open_{false};
  mutable std::mutex mutex_;
  std::shared_ptr<GameWrapper> game_;
};

using Ticket = std::shared_ptr<Line>;

// onLoad: opens a line to the object, cutting the one it had.
void issue(rankwatch* object, std::shared_ptr<GameWrapper> game);
// onUnload and the destructor: cuts the object's line; nothing when it has none.
void revoke(const rankwatch* object);
// The object's line; a line never opened when it has none.
Ticket ticket(const rankwatch* object);

// From any thread: runs `body(object)` on the game thread at its next turn, if the line is
// still open then. Nothing is handed over once it is cut.
void toGameThread(const Ticket& line, std::function<void(rankwatch*)> body);

// Wraps `body(object, args...)` so that it runs only while the object's line is open.
template <typename Body>
auto guard(const rankwatch* object, Body body) {
  return [line = ticket(object), body = std::move(body)](auto&&... args) {
    if (line->open()) body(line->object(), std::forward<decltype(args)>(args)...);
  };
}

}  // namespace lifeline
