#include "clock.h"

#include <cassert>
#include <cstdio>

namespace host {

Clock::Clock(Mode mode) : mode_(mode), start_(std::chrono::steady_clock::now()) {}

Micros Clock::now() const {
  if (mode_ == Mode::Virtual) return virtualNow_.load();
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                               start_)
      .count();
}

void Clock::advanceTo(Micros when) {
  assert(mode_ == Mode::Virtual);
  if (when > virtualNow_.load()) virtualNow_.store(when);
}

std::string Clock::format(Micros when) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(when / 1000000),
                static_cast<long long>((when % 1000000) / 1000));
  return text;
}

}  // namespace host
