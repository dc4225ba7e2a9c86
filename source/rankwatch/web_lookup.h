#pragma once

// The web profile lookup. refreshMmr makes the job on the game thread; a worker thread of its
// own sends the request; the reply is read, and its rating applied to the tally, on whatever
// thread the host answers on. The worker holds nothing of the host: a worker that outlives the
// plugin's unload never calls into the host but for a request it had begun to send, whose reply
// then keeps the library loaded.

#include <cstdint>
#include <memory>
#include <string>

#include "host_sdk.h"
#include "lifeline.h"

class rankwatch;

// Scheme and host of the public web stats service.
inline constexpr char kStatsServiceOrigin[] = "https://api.tracker.gg";

struct WebLookupJob {
  std::shared_ptr<lifeline::Line> line;  // to the object, reached on the game thread only
  std::string playerId;
  std::string platform;  // "steam" or "epic"
  // Taken on the game thread when the job is made: the worker must not read the plugin's cell.
  int trackedPlaylist;
};

// What the reply callable holds. The host may keep it past the unload, and call or destroy it
// after it closes the library: the hold keeps the library loaded then (lifeline.h).
struct WebReplyTarget {
  lifeline::Hold hold;
  int wantedPlaylist;  // a web-rated playlist, or 0
};

// The platform word the web stats service uses in its paths.
const char* platformWord(int onlinePlatform);

// The id the web stats service knows the player by: the Steam id (the uid, in decimal) on
// Steam, whose identity text is the Epic account id when the player has one; the identity's
// text on any other platform.
std::string webPlayerId(const UniqueIDWrapper& player, int onlinePlatform);

// The profile's URL: the service's origin, the fixed path, the platform word, "/", the player
// id and "?" with the Unix time taken as a signed 32-bit number. The id is percent-encoded
// but for the characters URLs leave unreserved, so an ordinary id is written as it is.
std::string webProfileUrl(const std::string& platform, const std::string& playerId,
                          std::int64_t unixTime);

// The whole body of a worker thread (workers.h). Sends nothing once the plugin's line is cut.
void fetchWebMmr(WebLookupJob job);

// The reply callable's body, on the host's reply thread: applies the rating while the plugin is
// loaded.
void onWebMmrReply(const WebReplyTarget& target, int status, std::string body);
