// Game time: virtual or following the wall clock, and how the host's lines show it.

#include "clock.h"

#include <cassert>
#include <cstdio>

namespace host {

Clock::Clock(Mode mode) : mode_(mode), start_(std::chrono::steady_clock::now()) {}

Micros Clock::now() const {
  // A lone value: nothing else is handed over with it, so no thread need wait on another's.
  if (mode_ == Mode::Virtual) return virtualNow_.load(std::memory_order_relaxed);
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                               start_)
      .count();
}

void Clock::advanceTo(Micros when) {
  assert(mode_ == Mode::Virtual);
  if (when > virtualNow_.load(std::memory_order_relaxed)) {
    virtualNow_.store(when, std::memory_order_relaxed);
  }
}

std::string Clock::format(Micros when) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(when / 1000000),
                static_cast<long long>((when % 1000000) / 1000));
  return text;
}

}  // namespace host
