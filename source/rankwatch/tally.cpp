// The tally: wins, losses, streak and rating change, inferred from successive ratings.

#include <cmath>

#include "rankwatch.h"

void rankwatch::addWin() {
  *wins += 1;
  *streak = *streak < 0 ? 1 : *streak + 1;
}

void rankwatch::addLoss() {
  *losses += 1;
  *streak = *streak > 0 ? -1 : *streak - 1;
}

void rankwatch::resetTally() {
  *wins = 0;
  *losses = 0;
  *streak = 0;
  *mmrChange = 0.0f;
  *currentMmr = 0.0f;
  refreshMmr(5);
}

void rankwatch::applyMmr(float mmr) {
  // 0 means "no rating" and a value that is not finite is no rating either: counting one would
  // book a loss of the whole rating or leave the change not-a-number until the next reset.
  if (mmr == 0.0f || !std::isfinite(mmr)) return;
  if (*currentMmr == 0.0f) *currentMmr = mmr;
  if (*currentMmr == 0.0f || *currentMmr == mmr) return;
  if (mmr > *currentMmr) {
    *mmrChange = (mmr - *currentMmr) + *mmrChange;
    addWin();
  } else {
    *mmrChange = *mmrChange - (*currentMmr - mmr);
    addLoss();
  }
  *currentMmr = mmr;
}
