#pragma once

// A stand-in host in a world of its own, for a benchmark: its lines kept in a string, game time
// virtual unless asked otherwise.

#include <sstream>

#include "host.h"

struct HostWorld {
  explicit HostWorld(host::Clock::Mode time = host::Clock::Mode::Virtual) : clock(time) {}

  std::ostringstream stream;
  host::Output output{stream};
  host::Clock clock;
  host::RatingService ratings{clock};
  host::Host host{output, clock, ratings, {}};
};
