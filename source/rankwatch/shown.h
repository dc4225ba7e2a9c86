#pragma once

// What the overlay and the settings page draw, as the render thread gets it. The render thread
// never reads a cell of the plugin's or of the host's: the threads that change what is shown
// (the game thread, a reply's thread, the thread that runs onLoad) each make their change to
// the one copy the board keeps, under its lock, and publish the whole of it; the render thread
// takes the newest whole copy without a lock (handover.h).

#include <mutex>

#include "handover.h"

struct Shown {
  bool ready = false;  // published by a load; nothing is drawn before
  unsigned load = 0;   // which load of the object: what the page held belongs to an earlier one
  // The tally.
  float mmrChange = 0.0f;
  int streak = 0;
  int wins = 0;
  int losses = 0;
  // The settings.
  bool enabled = false;
  bool singleQueue = false;
  bool autoResize = false;
  bool roundMmr = false;
  bool web = false;  // any tracking method but the host's rating service
  float scale = 1.0f;
  float opacity = 0.8f;
};

class ShownBoard {
 public:
  // Any thread that changes what is shown; never the render thread.
  template <typename Change>
  void change(Change&& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(kept_);
    handover_.publish(kept_);
  }

  // The render thread.
  const Shown& latest() { return handover_.latest(); }

 private:
  std::mutex mutex_;
  Shown kept_;
  Handover<Shown> handover_;
};
