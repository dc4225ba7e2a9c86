#include "output.h"

namespace host {

namespace {

// Lines echo what users and plugins typed: nothing of it may drive the terminal, and junk of
// megabytes shows as a line, not a screenful.
constexpr size_t kLongestShown = 1000;

std::string shown(const std::string& text) {
  std::string out;
  size_t i = 0;
  for (; i < text.size() && out.size() < kLongestShown; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\t') || c == 0x7f) {
      static const char digits[] = "0123456789abcdef";
      out += "\\x";
      out += digits[c >> 4];
      out += digits[c & 0xf];
    } else {
      out += static_cast<char>(c);
    }
  }
  // Not in the middle of a character.
  while (i < text.size() && i > 0 && (static_cast<unsigned char>(text[i]) & 0xc0) == 0x80) {
    --i;
    out.pop_back();
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

std::string Output::lastLine() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_;
}

}  // namespace host
