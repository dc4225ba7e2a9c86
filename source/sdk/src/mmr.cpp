// MMRWrapper and the rating registration's token, forwarded to the host's backend.

#include "hostsdk/mmr.h"

#include <utility>

#include "describe.h"

using hostsdk::installedBackend;
using hostsdk::detail::boolean;
using hostsdk::detail::identity;
using hostsdk::detail::note;
using hostsdk::detail::number;

MMRNotifierToken::MMRNotifierToken(unsigned long long t) : token(t) {}

MMRNotifierToken::~MMRNotifierToken() {
  note([&] { return std::string("MMRNotifierToken::~MMRNotifierToken()"); });
  if (hostsdk::Backend* backend = installedBackend()) backend->removeRatingListener(token);
}

MMRWrapper::MMRWrapper(hostsdk::PluginSlot* owner) : owner_(owner) {}

std::unique_ptr<MMRNotifierToken> MMRWrapper::RegisterMMRNotifier(
    std::function<void(UniqueIDWrapper)> callback) {
  note([&] { return std::string("MMRWrapper::RegisterMMRNotifier(callback)"); });
  hostsdk::Backend* backend = installedBackend();
  std::uint64_t registration = 0;
  if (backend && callback) registration = backend->addRatingListener(owner_, std::move(callback));
  return std::unique_ptr<MMRNotifierToken>(new MMRNotifierToken(registration));
}

int MMRWrapper::GetCurrentPlaylist() {
  hostsdk::Backend* backend = installedBackend();
  int playlist = backend ? backend->currentPlaylist(owner_) : 0;
  note([&] { return "MMRWrapper::GetCurrentPlaylist() -> " + number(playlist); });
  return playlist;
}

bool MMRWrapper::IsSyncing(UniqueIDWrapper id) {
  hostsdk::Backend* backend = installedBackend();
  bool syncing = backend && backend->isSyncing(owner_, id);
  note([&] { return "MMRWrapper::IsSyncing(" + identity(id) + ") -> " + boolean(syncing); });
  return syncing;
}

bool MMRWrapper::IsSynced(UniqueIDWrapper id, int playlistId) {
  hostsdk::Backend* backend = installedBackend();
  bool synced = backend && backend->isSynced(owner_, id, playlistId);
  note([&] {
    return "MMRWrapper::IsSynced(" + identity(id) + ", " + number(playlistId) + ") -> " +
           boolean(synced);
  });
  return synced;
}

float MMRWrapper::GetPlayerMMR(UniqueIDWrapper id, int playlistId) {
  hostsdk::Backend* backend = installedBackend();
  float rating = backend ? backend->playerRating(owner_, id, playlistId) : 0.0f;
  note([&] {
    return "MMRWrapper::GetPlayerMMR(" + identity(id) + ", " + number(playlistId) + ") -> " +
           number(rating);
  });
  return rating;
}
