#pragma once

// Callbacks handed to the host outlive the plugin object when the host keeps them after the
// object is gone. Each guarded callback holds a plain pointer to the object and a weak ticket
// that the object's destructor revokes, so a late call does nothing. Tickets are checked on the
// game thread, where the object is also destroyed; the window's close takes one on the render
// thread, which the registry's lock allows.

#include <memory>
#include <utility>

class rankwatch;

namespace lifeline {

using Ticket = std::weak_ptr<const void>;

void issue(const rankwatch* object);
void revoke(const rankwatch* object);
// An expired ticket when the object has none.
Ticket ticket(const rankwatch* object);

// Wraps `body(object, args...)` so that it runs only while the object lives.
template <typename Body>
auto guard(rankwatch* object, Body body) {
  return [object, alive = ticket(object), body = std::move(body)](auto&&... args) {
    if (!alive.expired()) body(object, std::forward<decltype(args)>(args)...);
  };
}

}  // namespace lifeline
