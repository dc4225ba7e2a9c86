#pragma once

// The game's rating service and the local player: the current playlist, the local player's
// rating in each playlist and whether it is synced, and who listens for rating changes.
// A playlist with no rating set is unsynced and rates 0. Other players have no ratings here.

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "clock.h"
#include "hostsdk/unique_id.h"
#include "plugin_slot.h"

namespace host {

// An identity as the `player` and `notify` statements write it: a uid in decimal, then the Epic
// account id if there is one (the rest of the text); any text that does not start with a number
// is the identity's text, as a console player's name is. False, with a one-line reason, for a
// number larger than a uid holds.
bool readIdentity(OnlinePlatform platform, const std::string& text, UniqueIDWrapper& id,
                  std::string& error);

class RatingService {
 public:
  explicit RatingService(const Clock& clock) : clock_(clock) {}

  // The world, as a scenario sets it.
  void setPlayer(UniqueIDWrapper player) { player_ = std::move(player); }
  UniqueIDWrapper player() const { return player_; }
  void setPlaylist(int playlist) { playlist_ = playlist; }
  int playlist() const { return playlist_; }
  // Synced from now on.
  void setRating(int playlist, float rating);
  // Not synced; synced once `after` has passed, if given.
  void unsync(int playlist, std::optional<Micros> after);
  void setSyncing(bool syncing) { syncing_ = syncing; }

  // What the SDK asks.
  bool isSyncing(const UniqueIDWrapper& id) const;
  bool isSynced(const UniqueIDWrapper& id, int playlist) const;
  float rating(const UniqueIDWrapper& id, int playlist) const;

  // Listeners for rating changes; notify() tells each one, in the order they registered.
  std::uint64_t listen(PluginSlot* owner, std::function<void(UniqueIDWrapper)> callback);
  void stopListening(std::uint64_t registration);
  void forget(const PluginSlot* owner);
  // Hands the registrations of `from` over to `to`, as a host that keeps them.
  void reown(const PluginSlot* from, PluginSlot* to) { host::reown(listeners_, from, to); }
  void notify(PluginCalls& calls, const UniqueIDWrapper& id);
  size_t listenerCount() const { return listeners_.size(); }

 private:
  static constexpr Micros kNever = std::numeric_limits<Micros>::max();
  struct Rating {
    float value = 0.0f;
    Micros syncedFrom = kNever;
  };
  struct Listener {
    std::uint64_t registration;
    PluginSlot* owner;
    std::function<void(UniqueIDWrapper)> callback;
  };

  bool isLocal(const UniqueIDWrapper& id) const;

  const Clock& clock_;
  UniqueIDWrapper player_{OnlinePlatform_Steam, 76561198000000001ULL};
  int playlist_ = 0;
  std::map<int, Rating> ratings_;
  bool syncing_ = false;
  std::vector<Listener> listeners_;
  std::uint64_t registrations_ = 0;
};

}  // namespace host
