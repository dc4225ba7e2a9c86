// Fuzzes the reading of the stats service's reply with any status, any body and any wanted
// playlist. Besides never crashing or hanging, readWebReply must give exactly the rating that
// the reading below finds, and none where it finds none. The reading is this file's own: a
// strict JSON reader (RFC 8259, with a leading byte order mark allowed and a repeated member
// name keeping its last value, as the JSON library does) and the reading rules of the profile.
//
// Input: one byte choosing the status, one choosing the wanted playlist, then the body.

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "web_reply.h"

namespace {

struct Value {
  enum Kind { Null, Bool, Int, Unsigned, Float, Text, Array, Object } kind = Null;
  bool boolean = false;
  std::int64_t integer = 0;
  std::uint64_t whole = 0;
  double number = 0.0;
  std::vector<Value> items;
  std::map<std::string, Value> members;  // in the library's order: by name, byte by byte
};

// Deeper than this, the reading gives up on its own and no comparison is made.
constexpr int kDeepest = 2000;

class Reader {
 public:
  explicit Reader(const std::string& text) : p_(text.data()), end_(text.data() + text.size()) {}

  // False when the text is not one JSON value; `tooDeep` says the reader gave up instead.
  bool document(Value& out) {
    if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;
    space();
    if (!value(out, 0)) return false;
    space();
    return p_ == end_;
  }
  bool tooDeep = false;

 private:
  void space() {
    while (p_ != end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r')) ++p_;
  }
  bool take(char c) {
    if (p_ == end_ || *p_ != c) return false;
    ++p_;
    return true;
  }
  bool word(const char* text) {
    const size_t n = std::strlen(text);
    if (static_cast<size_t>(end_ - p_) < n || std::memcmp(p_, text, n) != 0) return false;
    p_ += n;
    return true;
  }

  bool value(Value& out, int depth) {
    if (depth > kDeepest) {
      tooDeep = true;
      return false;
    }
    if (p_ == end_) return false;
    switch (*p_) {
      case '{':
        return object(out, depth);
      case '[':
        return array(out, depth);
      case '"':
        out.kind = Value::Text;
        return text();
      case 't':
        out.kind = Value::Bool;
        out.boolean = true;
        return word("true");
      case 'f':
        out.kind = Value::Bool;
        return word("false");
      case 'n':
        return word("null");
      default:
        return number(out);
    }
  }

  bool object(Value& out, int depth) {
    out.kind = Value::Object;
    ++p_;
    space();
    if (take('}')) return true;
    for (;;) {
      std::string name;
      if (!text(&name)) return false;
      space();
      if (!take(':')) return false;
      space();
      Value item;
      if (!value(item, depth + 1)) return false;
      out.members[name] = std::move(item);
      space();
      if (take('}')) return true;
      if (!take(',')) return false;
      space();
    }
  }

  bool array(Value& out, int depth) {
    out.kind = Value::Array;
    ++p_;
    space();
    if (take(']')) return true;
    for (;;) {
      Value item;
      if (!value(item, depth + 1)) return false;
      out.items.push_back(std::move(item));
      space();
      if (take(']')) return true;
      if (!take(',')) return false;
      space();
    }
  }

  static void append(std::string* out, std::uint32_t code) {
    if (!out) return;
    if (code < 0x80) {
      *out += static_cast<char>(code);
    } else if (code < 0x800) {
      *out += static_cast<char>(0xC0 | code >> 6);
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *out += static_cast<char>(0xE0 | code >> 12);
      *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | code >> 18);
      *out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool hex4(std::uint32_t& code) {
    if (end_ - p_ < 4) return false;
    code = 0;
    for (int i = 0; i < 4; ++i, ++p_) {
      const char c = *p_;
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return false;
      code = code * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
  }

  // A text in quotes: escapes as the grammar has them, no control characters, and well-formed
  // UTF-8 (Unicode's table of byte sequences), surrogates only in escaped pairs.
  bool text(std::string* out = nullptr) {
    if (!take('"')) return false;
    while (p_ != end_) {
      const auto c = static_cast<unsigned char>(*p_++);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c == '\\') {
        if (p_ == end_) return false;
        const char e = *p_++;
        static const char kEscapes[] = "\"\\/bfnrt";
        static const char kMeanings[] = "\"\\/\b\f\n\r\t";
        const char* plain = std::strchr(kEscapes, e);
        if (e != '\0' && plain) {
          append(out, static_cast<unsigned char>(kMeanings[plain - kEscapes]));
          continue;
        }
        std::uint32_t code = 0;
        if (e != 'u' || !hex4(code)) return false;
        if (code >= 0xDC00 && code <= 0xDFFF) return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
          std::uint32_t low = 0;
          if (!word("\\u") || !hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        append(out, code);
        continue;
      }
      int more = 0;
      unsigned char low = 0x80;
      unsigned char high = 0xBF;
      if (c < 0x80) {
        more = 0;
      } else if (c >= 0xC2 && c <= 0xDF) {
        more = 1;
      } else if (c >= 0xE0 && c <= 0xEF) {
        more = 2;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
      } else if (c >= 0xF0 && c <= 0xF4) {
        more = 3;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
      } else {
        return false;
      }
      if (out) *out += static_cast<char>(c);
      for (int i = 0; i < more; ++i) {
        if (p_ == end_) return false;
        const auto next = static_cast<unsigned char>(*p_++);
        if (next < (i == 0 ? low : 0x80) || next > (i == 0 ? high : 0xBF)) return false;
        if (out) *out += static_cast<char>(next);
      }
    }
    return false;
  }

  static bool digit(char c) { return c >= '0' && c <= '9'; }

  // -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?; an integer that no 64-bit integer
  // holds is read as a floating-point number, and one no double holds is no value at all.
  bool number(Value& out) {
    const char* start = p_;
    take('-');
    if (!take('0')) {
      if (p_ == end_ || *p_ < '1' || *p_ > '9') return false;
      while (p_ != end_ && digit(*p_)) ++p_;
    }
    bool integral = true;
    if (take('.')) {
      integral = false;
      if (p_ == end_ || !digit(*p_)) return false;
      while (p_ != end_ && digit(*p_)) ++p_;
    }
    if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
      integral = false;
      ++p_;
      if (!take('+')) take('-');
      if (p_ == end_ || !digit(*p_)) return false;
      while (p_ != end_ && digit(*p_)) ++p_;
    }
    if (integral) {
      if (*start == '-') {
        auto [end, error] = std::from_chars(start, p_, out.integer);
        if (error == std::errc() && end == p_) {
          out.kind = Value::Int;
          return true;
        }
      } else {
        auto [end, error] = std::from_chars(start, p_, out.whole);
        if (error == std::errc() && end == p_) {
          out.kind = Value::Unsigned;
          return true;
        }
      }
    }
    out.kind = Value::Float;
    out.number = std::strtod(std::string(start, p_).c_str(), nullptr);
    return std::isfinite(out.number);
  }

  const char* p_;
  const char* end_;
};

const Value* member(const Value& object, const char* name) {
  if (object.kind != Value::Object) return nullptr;
  auto found = object.members.find(name);
  return found == object.members.end() ? nullptr : &found->second;
}

// The reading rules of the profile. Nothing for a document it cannot judge (too deep).
std::optional<std::optional<float>> expected(int status, const std::string& body, int wanted) {
  const std::optional<float> none;
  if (status != 200) return none;
  Reader reader(body);
  Value document;
  if (!reader.document(document)) {
    if (reader.tooDeep) return std::nullopt;
    return none;
  }
  const Value* data = member(document, "data");
  if (!data || data->kind != Value::Object) return none;
  const Value* segments = member(*data, "segments");
  if (!segments) return none;
  std::vector<const Value*> walk;
  if (segments->kind == Value::Array) {
    for (const Value& item : segments->items) walk.push_back(&item);
  } else if (segments->kind == Value::Object) {
    for (const auto& [name, item] : segments->members) walk.push_back(&item);
  } else {
    return none;
  }
  for (const Value* segment : walk) {
    const Value* attributes = member(*segment, "attributes");
    if (!attributes || attributes->kind != Value::Object) continue;
    const Value* id = member(*attributes, "playlistId");
    if (!id) continue;
    std::int32_t playlist = 0;
    switch (id->kind) {
      case Value::Int:
        playlist = static_cast<std::int32_t>(static_cast<std::uint32_t>(id->integer));
        break;
      case Value::Unsigned:
        playlist = static_cast<std::int32_t>(static_cast<std::uint32_t>(id->whole));
        break;
      case Value::Float: {
        const double truncated = std::trunc(id->number);
        if (truncated < INT32_MIN || truncated > INT32_MAX) continue;  // no playlist's id
        playlist = static_cast<std::int32_t>(truncated);
        break;
      }
      case Value::Bool:
        playlist = id->boolean ? 1 : 0;
        break;
      default:
        return none;  // not a number: the walk ends
    }
    if (playlist != wanted) continue;
    const Value* at = segment;
    for (const char* name : {"stats", "rating", "value"}) {
      at = member(*at, name);
      if (!at) return none;
    }
    switch (at->kind) {
      case Value::Int:
        return std::optional<float>(static_cast<float>(at->integer));
      case Value::Unsigned:
        return std::optional<float>(static_cast<float>(at->whole));
      case Value::Float:
        if (std::fabs(at->number) > FLT_MAX) return none;
        return std::optional<float>(static_cast<float>(at->number));
      case Value::Bool:
        return std::optional<float>(at->boolean ? 1.0f : 0.0f);
      default:
        return none;
    }
  }
  return none;
}

constexpr int kStatuses[] = {0, 199, 201, 204, 301, 404, 429, 500, -200, 2000, 65736};
constexpr int kPlaylists[] = {11, 13, 0, 10, 26, 27, 28,         29,
                              30, 34, 1, -1, 3,  12, 2147483647, -2147483647 - 1};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int status = data[0] < 224 ? 200 : kStatuses[data[0] % std::size(kStatuses)];
  const int wanted = kPlaylists[data[1] % std::size(kPlaylists)];
  const std::string body(reinterpret_cast<const char*>(data + 2), size - 2);

  const std::optional<float> read = readWebReply(status, body, wanted);
  const std::optional<std::optional<float>> rule = expected(status, body, wanted);
  if (!rule || read == *rule) return 0;
  std::fprintf(stderr,
               "web_reply_fuzz: status %d, wanted %d: the reader gives %s%g, the rules %s%g\n",
               status, wanted, read ? "" : "nothing ", read ? *read : 0.0f, *rule ? "" : "nothing ",
               *rule ? **rule : 0.0f);
  std::abort();
}
