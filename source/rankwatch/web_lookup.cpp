// The web profile lookup: the request a worker sends, and the reply handed back as a rating.

#include "web_lookup.h"

#include <ctime>
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
  // Looked at again as the reply takes its hold: an unload meanwhile sends nothing, and one
  // from here on finds the hold and keeps the library loaded for the reply.
  std::optional<lifeline::Hold> hold = lifeline::Hold::ifOpen(job.line);
  if (!hold) return;
  WebReplyTarget target{std::move(*hold),
                        playlists::isWebRated(job.trackedPlaylist) ? job.trackedPlaylist : 0};
  HttpWrapper::SendCurlJsonRequest(request,
                                   [target = std::move(target)](int status, std::string body) {
                                     onWebMmrReply(target, status, std::move(body));
                                   });
}

void onWebMmrReply(const WebReplyTarget& target, int status, std::string body) {
  try {
    const std::optional<float> rating = readWebReply(status, body, target.wantedPlaylist);
    if (!rating) return;
    // The tally is the game thread's: only the rating crosses over, and it is applied there
    // only while the plugin is loaded.
    lifeline::toGameThread(target.hold.line(),
                           [mmr = *rating](rankwatch* plugin) { plugin->applyMmr(mmr); });
  } catch (...) {
    // No memory to hand the rating over: the reply is lost, like one that never came.
  }
}
