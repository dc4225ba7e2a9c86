// refreshMmr: follow the tracked playlist, then read the rating from the host's rating service
// (retrying each second while it is not synced) or hand a lookup to the web stats service.

#include <utility>

#include "lifeline.h"
#include "names.h"
#include "playlists.h"
#include "rankwatch.h"
#include "web_lookup.h"
#include "workers.h"

namespace {

constexpr float kRetryDelay = 1.0f;

// Synced, and no sync under way. Each query takes fresh wrappers and lets them go at once.
bool ratingReady(GameWrapper& game, int playlist) {
  if (!game.GetMMRWrapper().IsSynced(game.GetUniqueID(), playlist)) return false;
  return !game.GetMMRWrapper().IsSyncing(game.GetUniqueID());
}

}  // namespace

void rankwatch::refreshMmr(int attempts) {
  if (!*enabled || attempts < 1) return;

  const int playlist = gameWrapper->GetMMRWrapper().GetCurrentPlaylist();
  if (playlist > 0 && playlist != *trackedPlaylist && playlists::isTracked(playlist)) {
    *trackedPlaylist = playlist;
    // The first rating of a new playlist only starts the count: the gap is no result.
    {
      std::lock_guard<std::recursive_mutex> lock(tallyMutex_);
      *currentMmr = 0.0f;
    }
    if (*singleQueue) {
      resetTally();
      return;
    }
  }
  if (*trackedPlaylist < 1) return;

  if (*trackingMethod == names::kHostService) {
    if (!ratingReady(*gameWrapper, *trackedPlaylist)) {
      gameWrapper->SetTimeout(
          lifeline::held(
              line_, [attempts](rankwatch* self, GameWrapper*) { self->refreshMmr(attempts - 1); }),
          kRetryDelay);
      return;
    }
    const float mmr =
        gameWrapper->GetMMRWrapper().GetPlayerMMR(gameWrapper->GetUniqueID(), *trackedPlaylist);
    if (mmr == 0.0f) return;
    applyMmr(mmr);
    return;
  }

  try {
    const UniqueIDWrapper player = gameWrapper->GetUniqueID();
    const int platform = player.GetPlatform();
    WebLookupJob job{line_, webPlayerId(player, platform), platformWord(platform),
                     *trackedPlaylist};
    workers::start([job = std::move(job)]() mutable { fetchWebMmr(std::move(job)); });
  } catch (...) {
    // A lookup starts whole or not at all: no thread or no memory leaves nothing behind, and
    // the next trigger tries again.
  }
}
