// The host's lines to its user, escaped and bounded.

#include "output.h"

namespace host {

namespace {

// Lines echo what users and plugins typed: nothing of it may drive the terminal, and junk of
// megabytes shows as a line, not a screenful. Text in UTF-8 shows as it is.
constexpr size_t kLongestShown = 1000;

// The length of the printable character that starts at text[i], in valid UTF-8; 0 for a byte
// that starts none (a stray or cut sequence, an overlong one, a surrogate) and for a control
// character, the C1 ones (U+0080 to U+009F) included, which some terminals obey as well.
size_t printableLength(const std::string& text, size_t i) {
  const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
  const unsigned char c = byte(i);
  if (c < 0x80) return (c < 0x20 && c != '\t') || c == 0x7f ? 0 : 1;
  size_t length = 0;
  unsigned char low = 0x80;  // the second byte's range
  unsigned char high = 0xbf;
  if (c >= 0xc2 && c <= 0xdf) {
    length = 2;
    if (c == 0xc2) low = 0xa0;
  } else if (c >= 0xe0 && c <= 0xef) {
    length = 3;
    if (c == 0xe0) low = 0xa0;
    if (c == 0xed) high = 0x9f;
  } else if (c >= 0xf0 && c <= 0xf4) {
    length = 4;
    if (c == 0xf0) low = 0x90;
    if (c == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xbf) return 0;
  }
  return length;
}

std::string shown(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size() && out.size() < kLongestShown) {
    const size_t length = printableLength(text, i);
    if (length > 0) {
      out.append(text, i, length);
      i += length;
      continue;
    }
    static const char digits[] = "0123456789abcdef";
    const unsigned char c = static_cast<unsigned char>(text[i++]);
    out += {'\\', 'x', digits[c >> 4], digits[c & 0xf]};
  }
  if (i < text.size()) out += "... (" + std::to_string(text.size() - i) + " bytes more)";
  return out;
}

}  // namespace

void Output::write(const std::string& text) {
  // The prompt is on the screen: the line goes in its place and the prompt after it.
  if (!prompt_.empty()) stream_ << (terminal_ ? "\r\x1b[K" : "\r");
  stream_ << shown(text) << '\n' << prompt_ << std::flush;
}

void Output::line(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  write(text);
  last_ = text;
}

void Output::trace(const std::string& text) {
  if (!tracing_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  write("trace: " + text);
}

void Output::hint(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  write("hint: " + text);
}

void Output::prompt(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (prompt_ == text) return;
  prompt_ = text;
  stream_ << text << std::flush;
}

void Output::promptAnswered() {
  std::lock_guard<std::mutex> lock(mutex_);
  prompt_.clear();
}

void Output::endPrompt() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (prompt_.empty()) return;
  prompt_.clear();
  stream_ << '\n' << std::flush;
}

std::string inQuotes(const std::string& text) {
  constexpr size_t kLongest = 60;
  if (text.size() <= kLongest) return "\"" + text + "\"";
  size_t end = kLongest;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80) --end;
  return "\"" + text.substr(0, end) + "...\" (" + std::to_string(text.size()) + " bytes)";
}

std::string Output::lastLine() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_;
}

}  // namespace host
