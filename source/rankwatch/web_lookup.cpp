// The web profile lookup: the request a worker sends, and the reply handed back as a rating.

#include "web_lookup.h"

#include <ctime>
#include <functional>
#include <optional>
#include <utility>

#include "playlists.h"
#include "rankwatch.h"
#include "web_reply.h"

namespace {

constexpr char kProfilePath[] = "/api/v2/rocket-league/standard/profile/";
constexpr int kSteam = 1;  // the host's number of the platform

bool unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// Console players' names hold blanks, and any id may hold "/", "?" or "#", which would
// change the request's path or query.
std::string percentEncoded(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (unreserved(byte)) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

}  // namespace

const char* platformWord(int onlinePlatform) {
  return onlinePlatform == kSteam ? "steam" : "epic";
}

std::string webPlayerId(const UniqueIDWrapper& player, int onlinePlatform) {
  return onlinePlatform == kSteam ? std::to_string(player.GetUID()) : player.str();
}

std::string webProfileUrl(const std::string& platform, const std::string& playerId,
                          std::int64_t unixTime) {
  const auto seconds = static_cast<std::int32_t>(static_cast<std::uint32_t>(unixTime));
  return std::string(kStatsServiceOrigin) + kProfilePath + platform + "/" +
         percentEncoded(playerId) + "?" + std::to_string(seconds);
}

void fetchWebMmr(WebLookupJob job) {
  // Unloaded before this worker got going: the request would be sent for no one.
  if (!job.line->open()) return;
  CurlRequest request;
  request.url = webProfileUrl(job.platform, job.playerId, std::time(nullptr));
  request.headers["Cache-Control"] = "no-cache";
  // The reply takes its hold as it is made: an unload from here on finds the hold and keeps
  // the library loaded for the reply.
  std::optional<lifeline::Hold> hold = lifeline::Hold::ifOpen(job.line);
  if (!hold) return;
  const int wanted = playlists::isWebRated(job.trackedPlaylist) ? job.trackedPlaylist : 0;
  std::function<void(int, std::string)> reply = [target = WebReplyTarget{std::move(*hold), wanted}](
                                                    int status, std::string body) {
    onWebMmrReply(target, status, std::move(body));
  };
  // Looked at once more, as late as can be: nothing is made or allocated between this look and
  // the call. A worker held up in those few instructions while the plugin unloads sends after
  // the unload all the same: the plugin cannot see when the host's call has begun.
  if (!job.line->open()) return;
  HttpWrapper::SendCurlJsonRequest(std::move(request), std::move(reply));
}

void onWebMmrReply(const WebReplyTarget& target, int status, std::string body) {
  std::optional<float> rating;
  try {
    rating = readWebReply(status, body, target.wantedPlaylist);
  } catch (...) {
    // No memory to read the reply: it is lost, like one that never came.
  }
  if (!rating) return;
  // The tally takes the rating here, under its lock, while the plugin is loaded: nothing of
  // this calls the host, so an unload waits for it without waiting for the game thread.
  lifeline::Line& line = *target.hold.line();
  if (auto inside = line.enter()) line.object()->applyMmr(*rating);
}
