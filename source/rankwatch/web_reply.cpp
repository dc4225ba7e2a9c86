// The profile reply: data.segments, each with attributes.playlistId and stats.rating.value.
// Members the reading does not name are ignored.

#include "web_reply.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <exception>
#include <nlohmann/json.hpp>

namespace {

using json = nlohmann::json;

enum class Match { Yes, No, Unreadable };

// "playlistId" as a 32-bit integer: an integer by its low 32 bits, a fraction truncated toward
// zero, true and false as 1 and 0. Anything else cannot be read, which ends the whole reading.
Match playlistMatches(const json& id, int wanted) {
  std::int32_t value = 0;
  switch (id.type()) {
    case json::value_t::number_integer:
      value = static_cast<std::int32_t>(static_cast<std::uint32_t>(id.get<std::int64_t>()));
      break;
    case json::value_t::number_unsigned:
      value = static_cast<std::int32_t>(static_cast<std::uint32_t>(id.get<std::uint64_t>()));
      break;
    case json::value_t::number_float: {
      // Beyond the integer's range a truncated fraction has no value: it matches nothing.
      const double whole = std::trunc(id.get<double>());
      if (!(whole >= INT32_MIN && whole <= INT32_MAX)) return Match::No;
      value = static_cast<std::int32_t>(whole);
      break;
    }
    case json::value_t::boolean:
      value = id.get<bool>() ? 1 : 0;
      break;
    default:
      return Match::Unreadable;
  }
  return value == wanted ? Match::Yes : Match::No;
}

// stats.rating.value as a float. A missing member reads as no rating: the document is const,
// and indexing a const value by a name it lacks is not allowed.
std::optional<float> ratingOf(const json& segment) {
  const json* at = &segment;
  for (const char* name : {"stats", "rating", "value"}) {
    if (!at->is_object()) return std::nullopt;
    auto found = at->find(name);
    if (found == at->end()) return std::nullopt;
    at = &*found;
  }
  switch (at->type()) {
    case json::value_t::number_integer:
      return static_cast<float>(at->get<std::int64_t>());
    case json::value_t::number_unsigned:
      return static_cast<float>(at->get<std::uint64_t>());
    case json::value_t::number_float: {
      // A float cannot hold it; converting would be undefined.
      const double value = at->get<double>();
      if (!(std::fabs(value) <= FLT_MAX)) return std::nullopt;
      return static_cast<float>(value);
    }
    case json::value_t::boolean:
      return at->get<bool>() ? 1.0f : 0.0f;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<float> readWebReply(int status, const std::string& body, int wantedPlaylist) {
  if (status != 200) return std::nullopt;
  // The JSON library takes a NUL byte for the end of the text, so that a value followed by a
  // NUL and then anything at all would pass; no JSON text holds one.
  if (body.find('\0') != std::string::npos) return std::nullopt;
  try {
    const json document = json::parse(body);
    if (!document.is_object()) return std::nullopt;
    auto data = document.find("data");
    if (data == document.end() || !data->is_object()) return std::nullopt;
    auto segments = data->find("segments");
    if (segments == data->end()) return std::nullopt;
    if (!segments->is_array() && !segments->is_object()) return std::nullopt;
    // An object's members are walked by value in ascending order of their names.
    for (const json& segment : *segments) {
      if (!segment.is_object()) continue;
      auto attributes = segment.find("attributes");
      if (attributes == segment.end() || !attributes->is_object()) continue;
      auto id = attributes->find("playlistId");
      if (id == attributes->end()) continue;
      switch (playlistMatches(*id, wantedPlaylist)) {
        case Match::Unreadable:
          return std::nullopt;
        case Match::No:
          continue;
        case Match::Yes:
          return ratingOf(segment);
      }
    }
    return std::nullopt;
  } catch (const std::exception&) {
    // Not one JSON text, or no memory for it: no rating.
    return std::nullopt;
  }
}
