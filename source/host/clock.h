#pragma once

// Game time. In a scripted run it is virtual and moves only when told; in an interactive run
// it follows the wall clock from the host's start.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>
#include <string>

namespace host {

using Micros = std::int64_t;

constexpr Micros toMicros(double seconds) {
  return static_cast<Micros>(seconds * 1e6 + (seconds >= 0 ? 0.5 : -0.5));
}

// Game time stops here: a sum of times that would pass it is kept at it instead of overflowing.
constexpr Micros kEndOfTime = std::numeric_limits<Micros>::max();

// `when` plus a span of time that is not negative, kept at kEndOfTime.
constexpr Micros after(Micros when, Micros span) {
  return span > kEndOfTime - when ? kEndOfTime : when + span;
}

class Clock {
 public:
  enum class Mode { Virtual, Real };
  explicit Clock(Mode mode);

  Mode mode() const { return mode_; }
  // Safe from any thread.
  Micros now() const;
  // Virtual time only: moves the time forward to `when` (never back).
  void advanceTo(Micros when);
  // "12.500" seconds, for traces.
  static std::string format(Micros when);

 private:
  Mode mode_;
  std::atomic<Micros> virtualNow_{0};
  std::chrono::steady_clock::time_point start_;
};

}  // namespace host
