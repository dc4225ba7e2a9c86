#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "hostsdk/export.h"
#include "hostsdk/unique_id.h"

namespace hostsdk {
struct PluginSlot;
}

// Keeps a rating-change registration alive; destroying it ends the registration.
class HOSTSDK_API MMRNotifierToken {
 public:
  explicit MMRNotifierToken(std::uint64_t registration);
  ~MMRNotifierToken();
  MMRNotifierToken(const MMRNotifierToken&) = delete;
  MMRNotifierToken& operator=(const MMRNotifierToken&) = delete;

 private:
  std::uint64_t registration_;
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
