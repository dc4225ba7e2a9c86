#pragma once

// Reading the web stats service's profile reply: a pure function of the reply and the playlist
// asked for, safe on any thread and on any input.

#include <optional>
#include <string>

// The rating of the first segment whose "playlistId" is `wantedPlaylist`, read from
// data.segments[].stats.rating.value. Nothing when the status is not 200, the body is not one
// JSON text of the profile's shape, a segment looked at has a "playlistId" that is not a
// number, or the matching segment holds no number there. Never throws.
std::optional<float> readWebReply(int status, const std::string& body, int wantedPlaylist);
