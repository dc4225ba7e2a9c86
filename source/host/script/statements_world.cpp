// The statements of the game's world: the local player, the rating service's playlists, ratings
// and syncs, rating notifications, game events and game time.

#include <cmath>

#include "hostsdk/cvar_text.h"
#include "script/session.h"
#include "script/statements.h"

namespace host {

namespace {

// The longest wait: game time could not hold much more.
constexpr double kMostSeconds = 999999999;

// `text` as a number of seconds a wait can take; false, with what is wrong with it, otherwise.
bool readSeconds(const std::string& text, double& value, std::string& error) {
  bool outOfRange = false;
  if ((!readNumber(text, value, false, &outOfRange) && !outOfRange) || std::isnan(value)) {
    error = isNot(text, "a number of seconds");
  } else if (outOfRange || value < 0 || value > kMostSeconds) {
    error = isNot(text, "within 0 to 999999999 seconds");
  } else {
    return true;
  }
  return false;
}

}  // namespace

Session::Result Session::player(const Call& call) {
  // The id is the rest of the line: console players' names hold blanks.
  std::string number;
  std::string text;
  cut(call.rest, number, text);
  if (text.empty()) return misused(call);
  int platform = 0;
  if (!readNumber(number, platform) || platform < 0 || platform > OnlinePlatform_Epic) {
    return bad(call, isNot(number, "a platform number from 0 to 11"));
  }
  UniqueIDWrapper id;
  std::string error;
  if (!readIdentity(static_cast<OnlinePlatform>(platform), text, id, error)) {
    return bad(call, error);
  }
  ratings_.setPlayer(id);
  stats_.setPlayer(id);
  return Result::Ok;
}

Session::Result Session::playlist(const Call& call) {
  int playlist = 0;
  if (!readNumber(call.args[0], playlist)) return bad(call, isNot(call.args[0], "a playlist id"));
  ratings_.setPlaylist(playlist);
  return Result::Ok;
}

Session::Result Session::rating(const Call& call) {
  int playlist = 0;
  float value = 0;
  if (!readNumber(call.args[0], playlist)) return bad(call, isNot(call.args[0], "a playlist id"));
  // Ratings may be anything a float holds, "nan" and "inf" included: the plugin must cope.
  if (!readNumber(call.args[1], value, true)) return bad(call, isNot(call.args[1], "a rating"));
  ratings_.setRating(playlist, value);
  return Result::Ok;
}

Session::Result Session::unsynced(const Call& call) {
  int playlist = 0;
  double seconds = 0;
  std::string error;
  if (!readNumber(call.args[0], playlist)) return bad(call, isNot(call.args[0], "a playlist id"));
  if (call.args.size() == 2 && !readSeconds(call.args[1], seconds, error)) return bad(call, error);
  ratings_.unsync(playlist,
                  call.args.size() == 2 ? std::optional<Micros>(toMicros(seconds)) : std::nullopt);
  return Result::Ok;
}

Session::Result Session::syncing(const Call& call) {
  if (call.args[0] != "on" && call.args[0] != "off") return misused(call);
  ratings_.setSyncing(call.args[0] == "on");
  return Result::Ok;
}

Session::Result Session::event(const Call& call) {
  host().game().fire(call.rest);
  return Result::Ok;
}

Session::Result Session::notify(const Call& call) {
  // The id is the rest of the line, as for `player`.
  UniqueIDWrapper id = ratings_.player();
  std::string error;
  if (!call.rest.empty() && !readIdentity(hostsdk::idPlatform(id), call.rest, id, error)) {
    return bad(call, error);
  }
  ratings_.notify(host().calls(), id);
  return Result::Ok;
}

Session::Result Session::wait(const Call& call) {
  double seconds = 0;
  std::string error;
  if (!readSeconds(call.args[0], seconds, error)) return bad(call, error);
  if (clock_.mode() == Clock::Mode::Real) {
    // The interactive loop lets the time pass, reading input and drawing meanwhile.
    waitUntil_ = after(clock_.now(), toMicros(seconds));
  } else {
    host().game().pass(toMicros(seconds));
  }
  return Result::Ok;
}

}  // namespace host
