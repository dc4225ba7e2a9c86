// GameWrapper: the game's calls, forwarded to the host's backend.

#include "hostsdk/game.h"

#include <utility>

#include "describe.h"

using hostsdk::installedBackend;
using hostsdk::detail::identity;
using hostsdk::detail::note;
using hostsdk::detail::number;
using hostsdk::detail::quoted;

GameWrapper::GameWrapper(hostsdk::PluginSlot* owner) : owner_(owner) {}

void GameWrapper::HookEvent(std::string eventName, std::function<void(std::string)> callback) {
  note([&] { return "GameWrapper::HookEvent(" + quoted(eventName) + ", callback)"; });
  hostsdk::Backend* backend = installedBackend();
  if (backend && callback) backend->hookEvent(owner_, eventName, std::move(callback));
}

void GameWrapper::UnhookEvent(std::string eventName) {
  note([&] { return "GameWrapper::UnhookEvent(" + quoted(eventName) + ")"; });
  if (hostsdk::Backend* backend = installedBackend()) backend->unhookEvent(owner_, eventName);
}

void GameWrapper::SetTimeout(std::function<void(GameWrapper*)> callback, float seconds) {
  note([&] { return "GameWrapper::SetTimeout(callback, " + number(seconds) + ")"; });
  hostsdk::Backend* backend = installedBackend();
  if (backend && callback) backend->setTimeout(owner_, std::move(callback), seconds);
}

void GameWrapper::Execute(std::function<void(GameWrapper*)> callback) {
  const hostsdk::detail::HeldBackend held;
  hostsdk::Backend* backend = held.get();
  if (!backend) return;
  backend->noteCall([&] { return std::string("GameWrapper::Execute(callback)"); });
  if (callback) backend->execute(owner_, std::move(callback));
}

UniqueIDWrapper GameWrapper::GetUniqueID() {
  hostsdk::Backend* backend = installedBackend();
  UniqueIDWrapper id = backend ? backend->localPlayer(owner_) : UniqueIDWrapper();
  note([&] { return "GameWrapper::GetUniqueID() -> " + identity(id); });
  return id;
}

MMRWrapper GameWrapper::GetMMRWrapper() {
  note([&] { return std::string("GameWrapper::GetMMRWrapper()"); });
  return MMRWrapper(owner_);
}
