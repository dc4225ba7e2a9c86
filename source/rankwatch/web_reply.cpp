// The profile reply: data.segments, each with attributes.playlistId and stats.rating.value.
// Members the reading does not name are ignored.
//
// The reply is read as the JSON library's parser streams past it, and no document is built:
// tearing a document down takes memory of its own, and when that fails inside a destructor the
// process ends. What the walk needs is kept as the parser goes, a repeated name keeping its
// last value as it would in a document.
//
//   Value          what is kept of a playlistId or a rating
//   Segment        what is kept of one segment
//   ProfileReader  the parser's listener: follows data.segments and keeps what the walk needs
//   readWebReply   the walk over the segments kept

#include "web_reply.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <exception>
#include <nlohmann/json.hpp>
#include <vector>

namespace {

using json = nlohmann::json;

struct Value {
  // Missing: no such member; Other: text, null, an array or an object. True and false are
  // the integers 1 and 0.
  enum Kind { Missing, Integer, Unsigned, Float, Other } kind = Missing;
  std::int64_t integer = 0;
  std::uint64_t whole = 0;
  double number = 0.0;
};

enum class Match { Yes, No, Unreadable };

// "playlistId" as a 32-bit integer: an integer by its low 32 bits, a fraction truncated toward
// zero, true and false as 1 and 0. Anything else cannot be read, which ends the whole reading.
Match playlistMatches(const Value& id, int wanted) {
  std::int32_t value = 0;
  switch (id.kind) {
    case Value::Integer:
      value = static_cast<std::int32_t>(static_cast<std::uint32_t>(id.integer));
      break;
    case Value::Unsigned:
      value = static_cast<std::int32_t>(static_cast<std::uint32_t>(id.whole));
      break;
    case Value::Float: {
      // Beyond the integer's range a truncated fraction has no value: it matches nothing.
      const double whole = std::trunc(id.number);
      if (!(whole >= INT32_MIN && whole <= INT32_MAX)) return Match::No;
      value = static_cast<std::int32_t>(whole);
      break;
    }
    default:
      return Match::Unreadable;
  }
  return value == wanted ? Match::Yes : Match::No;
}

// The rating as a float; nothing for a value that is missing, not a number, or too large.
std::optional<float> ratingOf(const Value& rating) {
  switch (rating.kind) {
    case Value::Integer:
      return static_cast<float>(rating.integer);
    case Value::Unsigned:
      return static_cast<float>(rating.whole);
    case Value::Float:
      // A float cannot hold it; converting would be undefined.
      if (!(std::fabs(rating.number) <= FLT_MAX)) return std::nullopt;
      return static_cast<float>(rating.number);
    default:
      return std::nullopt;
  }
}

// Its playlistId and rating are reached only through objects: whatever on the way is not one
// leaves them Missing, as a later value of a name on the way does.
struct Segment {
  std::string name;  // when the segments are an object's members
  Value playlistId;  // attributes.playlistId
  Value value;       // stats.rating.value
};

class ProfileReader : public nlohmann::json_sax<json> {
 public:
  // Where the reply's value sits on the path the walk reads.
  enum class Role : unsigned char {
    Root,
    Data,
    Segments,
    SegmentList,  // segments as an array
    SegmentMap,   // segments as an object
    Segment,
    Attributes,
    PlaylistId,
    Stats,
    Rating,
    RatingValue,
    Other,
  };

  // Segments only inside data, itself an object in the root object.
  enum { NoSegments, List, Map } segments = NoSegments;
  std::vector<Segment> kept;

  bool null() override { return scalar(Value{Value::Other}); }
  bool boolean(bool value) override { return scalar(Value{Value::Integer, value ? 1 : 0}); }
  bool number_integer(number_integer_t value) override {
    return scalar(Value{Value::Integer, value});
  }
  bool number_unsigned(number_unsigned_t value) override {
    return scalar(Value{Value::Unsigned, 0, value});
  }
  bool number_float(number_float_t value, const string_t&) override {
    return scalar(Value{Value::Float, 0, 0, value});
  }
  bool string(string_t&) override { return scalar(Value{Value::Other}); }
  // JSON text holds none; only the library's binary formats do.
  bool binary(binary_t&) override { return false; }  // GCOVR_EXCL_LINE

  bool start_object(std::size_t) override {
    // In an object where a number belongs, every name reads as off the path (key()).
    const Role role = begin();
    open_.push_back(role == Role::Segments ? Role::SegmentMap : role);
    return true;
  }
  bool start_array(std::size_t) override {
    const Role role = begin();
    open_.push_back(role == Role::Segments ? Role::SegmentList : Role::Other);
    return true;
  }
  bool end_object() override { return end(); }
  bool end_array() override { return end(); }

  bool key(string_t& name) override {
    switch (open_.back()) {
      case Role::Root:
        next_ = name == "data" ? Role::Data : Role::Other;
        break;
      case Role::Data:
        next_ = name == "segments" ? Role::Segments : Role::Other;
        break;
      case Role::SegmentMap:
        next_ = Role::Segment;
        name_ = name;
        break;
      case Role::Segment:
        next_ = name == "attributes" ? Role::Attributes
                : name == "stats"    ? Role::Stats
                                     : Role::Other;
        break;
      case Role::Attributes:
        next_ = name == "playlistId" ? Role::PlaylistId : Role::Other;
        break;
      case Role::Stats:
        next_ = name == "rating" ? Role::Rating : Role::Other;
        break;
      case Role::Rating:
        next_ = name == "value" ? Role::RatingValue : Role::Other;
        break;
      default:
        next_ = Role::Other;
    }
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  // The role of a value about to begin, from its container and, in an object on the path, the
  // name before it. Every container on the path but the segments' array is an object.
  Role roleOfNext() const {
    if (open_.empty()) return Role::Root;
    if (open_.back() == Role::SegmentList) return Role::Segment;
    if (open_.back() == Role::Other) return Role::Other;
    return next_;
  }

  // A value begins: a later value of a name replaces what an earlier one left.
  Role begin() {
    const Role role = roleOfNext();
    switch (role) {
      case Role::Data:
      case Role::Segments:
        segments = NoSegments;
        kept.clear();
        break;
      case Role::Segment:
        // Named when the segments are an object's members: a later one of the same name,
        // whatever it is, replaces it.
        kept.emplace_back();
        if (open_.back() == Role::SegmentMap) kept.back().name = name_;
        break;
      case Role::Attributes:
        kept.back().playlistId = Value();
        break;
      case Role::PlaylistId:
        kept.back().playlistId = Value{Value::Other};
        break;
      case Role::Stats:
      case Role::Rating:
        kept.back().value = Value();
        break;
      case Role::RatingValue:
        kept.back().value = Value{Value::Other};
        break;
      default:
        break;
    }
    return role;
  }

  // A scalar begins and ends where a container would begin: it resets the same, and is kept
  // where the walk reads it.
  bool scalar(const Value& value) {
    const Role role = begin();
    if (role == Role::PlaylistId) kept.back().playlistId = value;
    if (role == Role::RatingValue) kept.back().value = value;
    return true;
  }

  bool end() {
    const Role closed = open_.back();
    open_.pop_back();
    if (closed == Role::SegmentList) segments = List;
    if (closed == Role::SegmentMap) segments = Map;
    return true;
  }

  std::vector<Role> open_;   // the containers open, outermost first
  Role next_ = Role::Other;  // in an object: the role of the value after the last name
  std::string name_;         // in the segments' object: the name of the next segment
};

}  // namespace

std::optional<float> readWebReply(int status, const std::string& body, int wantedPlaylist) {
  if (status != 200) return std::nullopt;
  // The JSON library takes a NUL byte for the end of the text, so that a value followed by a
  // NUL and then anything at all would pass; no JSON text holds one.
  if (body.find('\0') != std::string::npos) return std::nullopt;
  try {
    ProfileReader reader;
    if (!json::sax_parse(body, &reader) || reader.segments == ProfileReader::NoSegments) {
      return std::nullopt;
    }
    std::vector<Segment>& segments = reader.kept;
    if (reader.segments == ProfileReader::Map) {
      // An object's members are walked by value in ascending order of their names; a name
      // given twice keeps its last value.
      std::stable_sort(segments.begin(), segments.end(),
                       [](const Segment& a, const Segment& b) { return a.name < b.name; });
      auto last = std::unique(segments.rbegin(), segments.rend(),
                              [](const Segment& a, const Segment& b) { return a.name == b.name; });
      segments.erase(segments.begin(), last.base());
    }
    for (const Segment& segment : segments) {
      if (segment.playlistId.kind == Value::Missing) continue;
      switch (playlistMatches(segment.playlistId, wantedPlaylist)) {
        case Match::Unreadable:
          return std::nullopt;
        case Match::No:
          continue;
        case Match::Yes:
          return ratingOf(segment.value);
      }
    }
    return std::nullopt;
  } catch (const std::exception&) {
    // No memory to read it: no rating.
    return std::nullopt;
  }
}
