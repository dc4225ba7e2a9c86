// The game's rating service and the local player, as scenarios set them.

#include "rating_service.h"

#include <algorithm>
#include <charconv>
#include <climits>

#include "output.h"

namespace host {

bool readIdentity(OnlinePlatform platform, const std::string& text, UniqueIDWrapper& id,
                  std::string& error) {
  const size_t end = text.find_first_of(" \t");
  const std::string first = text.substr(0, end);
  const bool number = !first.empty() && first.find_first_not_of("0123456789") == std::string::npos;
  if (!number) {
    id = UniqueIDWrapper(platform, 0, text);
    return true;
  }
  unsigned long long uid = 0;
  if (std::from_chars(first.data(), first.data() + first.size(), uid).ec != std::errc()) {
    error = inQuotes(first) + " is not a uid from 0 to " + std::to_string(ULLONG_MAX);
    return false;
  }
  const size_t rest = end == std::string::npos ? end : text.find_first_not_of(" \t", end);
  id =
      UniqueIDWrapper(platform, uid, rest == std::string::npos ? std::string() : text.substr(rest));
  return true;
}

void RatingService::setRating(int playlist, float rating) {
  ratings_[playlist] = Rating{rating, std::numeric_limits<Micros>::min()};
}

void RatingService::unsync(int playlist, std::optional<Micros> after) {
  ratings_[playlist].syncedFrom = after ? host::after(clock_.now(), *after) : kNever;
}

bool RatingService::isLocal(const UniqueIDWrapper& id) const {
  return hostsdk::sameIdText(id, player_);
}

bool RatingService::isSyncing(const UniqueIDWrapper& id) const {
  return isLocal(id) && syncing_;
}

bool RatingService::isSynced(const UniqueIDWrapper& id, int playlist) const {
  if (!isLocal(id)) return false;
  auto found = ratings_.find(playlist);
  return found != ratings_.end() && clock_.now() >= found->second.syncedFrom;
}

float RatingService::rating(const UniqueIDWrapper& id, int playlist) const {
  if (!isLocal(id)) return 0.0f;
  auto found = ratings_.find(playlist);
  return found == ratings_.end() ? 0.0f : found->second.value;
}

std::uint64_t RatingService::listen(PluginSlot* owner,
                                    std::function<void(UniqueIDWrapper)> callback) {
  listeners_.push_back({++registrations_, owner, std::move(callback)});
  return registrations_;
}

void RatingService::stopListening(std::uint64_t registration) {
  auto dying =
      takeOut(listeners_, [&](const Listener& l) { return l.registration == registration; });
}

void RatingService::forget(const PluginSlot* owner) {
  auto dying =
      takeOut(listeners_, [&](const Listener& listener) { return listener.owner == owner; });
}

void RatingService::notify(PluginCalls& calls, const UniqueIDWrapper& id) {
  // Listeners may come and go while they are told; tell those registered when it began.
  std::vector<std::uint64_t> registrations;
  for (const Listener& listener : listeners_) registrations.push_back(listener.registration);
  for (std::uint64_t registration : registrations) {
    auto found = std::find_if(listeners_.begin(), listeners_.end(),
                              [&](const Listener& l) { return l.registration == registration; });
    if (found == listeners_.end()) continue;
    std::function<void(UniqueIDWrapper)> callback = found->callback;
    calls.run(found->owner, [&] { callback(id); });
  }
}

}  // namespace host
