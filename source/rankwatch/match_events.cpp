// When to read the rating again: match start at once, match end after 1 s, teardown after 5 s,
// and a rating notification for the local player at once. Repeated reads of one rating count
// once, so nothing here coalesces triggers.

#include "lifeline.h"
#include "rankwatch.h"

namespace {

constexpr int kAttempts = 5;
constexpr float kAfterMatchEnd = 1.0f;
constexpr float kAfterTeardown = 5.0f;

}  // namespace

void rankwatch::onMatchEnded(std::string) {
  gameWrapper->SetTimeout(
      lifeline::held(line_, [](rankwatch* self, GameWrapper*) { self->refreshMmr(kAttempts); }),
      kAfterMatchEnd);
}

void rankwatch::onGameDestroyed(std::string) {
  gameWrapper->SetTimeout(
      lifeline::held(line_, [](rankwatch* self, GameWrapper*) { self->refreshMmr(kAttempts); }),
      kAfterTeardown);
}

void rankwatch::onGameStart(std::string) {
  refreshMmr(kAttempts);
}

void rankwatch::onMmrNotification(UniqueIDWrapper id) {
  // The notified id's text first: the order of the two operands of == is the compiler's.
  const std::string notified = id.str();
  if (notified == gameWrapper->GetUniqueID().str()) refreshMmr(kAttempts);
}
