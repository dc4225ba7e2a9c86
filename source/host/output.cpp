#include "output.h"

namespace host {

void Output::write(const std::string& text) {
  // The prompt is on the screen: the line goes in its place and the prompt after it.
  if (!prompt_.empty()) stream_ << '\r';
  stream_ << text << '\n' << prompt_ << std::flush;
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
