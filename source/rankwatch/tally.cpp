// The tally: wins, losses, streak and rating change, inferred from successive ratings. The
// window draws on another thread, so each change ends by handing the window what it shows.

#include <cfloat>
#include <cmath>
#include <limits>

#include "rankwatch.h"

namespace {

// The counters stop at the ends of their type: an overflow would be undefined behaviour, and
// a tally that wrapped to a negative count would be a plainly wrong one.
constexpr int kMost = std::numeric_limits<int>::max();
constexpr int kLeast = std::numeric_limits<int>::min();

// Two ratings far apart can overflow a float's difference: the change then stops at the
// largest finite value of its sign, where infinity would show, and turn not-a-number at the
// next step the other way.
float bounded(float change) {
  return std::isinf(change) ? std::copysign(FLT_MAX, change) : change;
}

}  // namespace

void rankwatch::addWin() {
  if (*wins < kMost) *wins += 1;
  *streak = *streak < 0 ? 1 : (*streak < kMost ? *streak + 1 : kMost);
  publishTally();
}

void rankwatch::addLoss() {
  if (*losses < kMost) *losses += 1;
  *streak = *streak > 0 ? -1 : (*streak > kLeast ? *streak - 1 : kLeast);
  publishTally();
}

void rankwatch::resetTally() {
  *wins = 0;
  *losses = 0;
  *streak = 0;
  *mmrChange = 0.0f;
  *currentMmr = 0.0f;
  publishTally();
  refreshMmr(5);
}

void rankwatch::applyMmr(float mmr) {
  // 0 means "no rating" and a value that is not finite is no rating either: counting one would
  // book a loss of the whole rating or leave the change not-a-number until the next reset.
  if (mmr == 0.0f || !std::isfinite(mmr)) return;
  // The first value only starts the count.
  if (*currentMmr == 0.0f) *currentMmr = mmr;
  if (*currentMmr == mmr) return;
  if (mmr > *currentMmr) {
    *mmrChange = bounded((mmr - *currentMmr) + *mmrChange);
    addWin();
  } else {
    *mmrChange = bounded(*mmrChange - (*currentMmr - mmr));
    addLoss();
  }
  *currentMmr = mmr;
}

void rankwatch::publishTally() {
  shownTally_.publish({*mmrChange, *streak, *wins, *losses});
}
