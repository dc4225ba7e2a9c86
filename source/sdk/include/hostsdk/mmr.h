#pragma once

// The host's rating service as a plugin reaches it: ratings, playlists, change notifications.

#include <cstdint>
#include <functional>
#include <memory>

#include "hostsdk/export.h"
#include "hostsdk/unique_id.h"

namespace hostsdk {
struct PluginSlot;
}

// Keeps a rating-change registration alive; destroying it ends the registration. Laid out
// as the published SDK's: a struct, whose moves copy the registration, so that a moved-from
// token ends it too.
struct HOSTSDK_API MMRNotifierToken {
 public:
  ~MMRNotifierToken();
  MMRNotifierToken(const MMRNotifierToken&) = delete;
  MMRNotifierToken& operator=(const MMRNotifierToken&) = delete;
  MMRNotifierToken(MMRNotifierToken&&) noexcept = default;
  MMRNotifierToken& operator=(MMRNotifierToken&&) noexcept = default;

 private:
  explicit MMRNotifierToken(unsigned long long t);
  unsigned long long token;
  friend class MMRWrapper;
};

// The host's rating service. Take a fresh one for each use.
class HOSTSDK_API MMRWrapper {
 public:
  explicit MMRWrapper(hostsdk::PluginSlot* owner);

  // The callback runs on the game thread whenever the host learns a new rating of a player.
  std::unique_ptr<MMRNotifierToken> RegisterMMRNotifier(
      std::function<void(UniqueIDWrapper id)> callback);
  int GetCurrentPlaylist();
  bool IsSyncing(UniqueIDWrapper id);
  bool IsSynced(UniqueIDWrapper id, int playlistId);
  float GetPlayerMMR(UniqueIDWrapper id, int playlistId);

 private:
  hostsdk::PluginSlot* owner_;
};
