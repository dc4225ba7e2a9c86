// The tally: wins, losses, streak and rating change, inferred from successive ratings. A web
// reply's rating is applied on the reply's thread, so each operation holds the tally's lock;
// the window draws on another thread, so each change ends by handing it what it shows.

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
  std::lock_guard<std::recursive_mutex> lock(tallyMutex_);
  if (*wins < kMost) *wins += 1;
  *streak = *streak < 0 ? 1 : (*streak < kMost ? *streak + 1 : kMost);
  publishTally();
}

void rankwatch::addLoss() {
  std::lock_guard<std::recursive_mutex> lock(tallyMutex_);
  if (*losses < kMost) *losses += 1;
  *streak = *streak > 0 ? -1 : (*streak > kLeast ? *streak - 1 : kLeast);
  publishTally();
}

void rankwatch::resetTally() {
  {
    std::lock_guard<std::recursive_mutex> lock(tallyMutex_);
    *wins = 0;
    *losses = 0;
    *streak = 0;
    *mmrChange = 0.0f;
    *currentMmr = 0.0f;
    publishTally();
  }
  // Out of the lock: the read calls the host.
  refreshMmr(5);
}

void rankwatch::applyMmr(float mmr) {
  // 0 means "no rating" and a value that is not finite is no rating either: counting one would
  // book a loss of the whole rating or leave the change not-a-number until the next reset.
  if (mmr == 0.0f || !std::isfinite(mmr)) return;
  std::lock_guard<std::recursive_mutex> lock(tallyMutex_);
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
  shown_.change([this](Shown& shown) {
    shown.mmrChange = *mmrChange;
    shown.streak = *streak;
    shown.wins = *wins;
    shown.losses = *losses;
  });
}
