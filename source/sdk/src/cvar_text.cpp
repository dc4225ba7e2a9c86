// Reading a console variable's text as a number or a truth value, as the console does.

#include "hostsdk/cvar_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace hostsdk {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool equalsIgnoringCase(const char* begin, const char* end, const char* word) {
  for (; begin != end && *word; ++begin, ++word) {
    char c = *begin;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != *word) return false;
  }
  return begin == end && *word == '\0';
}

}  // namespace

std::optional<float> readNumber(const std::string& text) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (begin != end && isBlank(*begin)) ++begin;
  while (end != begin && isBlank(end[-1])) --end;
  if (equalsIgnoringCase(begin, end, "true")) return 1.0f;
  if (equalsIgnoringCase(begin, end, "false")) return 0.0f;
  // from_chars takes no leading plus sign.
  if (begin != end && *begin == '+' && end - begin > 1 && begin[1] != '-') ++begin;
  float value = 0.0f;
  auto [ptr, error] = std::from_chars(begin, end, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range && ptr == end) {
    // from_chars refuses a number too small for a float as it does one too large; the first
    // reads as zero. The text is decimal, so strtof reads it alike in the host's C locale.
    value = std::strtof(std::string(begin, end).c_str(), nullptr);
    if (std::isfinite(value)) return value;
    return std::nullopt;
  }
  if (error != std::errc() || ptr != end || begin == end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

bool readBool(const std::string& text) {
  return readFloat(text) != 0.0f;
}

float readFloat(const std::string& text) {
  return readNumber(text).value_or(0.0f);
}

int readInt(const std::string& text) {
  float value = std::trunc(readFloat(text));
  if (value <= static_cast<float>(std::numeric_limits<int>::min())) {
    return std::numeric_limits<int>::min();
  }
  // 2^31 is the first float above int's range.
  if (value >= 2147483648.0f) return std::numeric_limits<int>::max();
  return static_cast<int>(value);
}

}  // namespace hostsdk
