#include "output.h"

namespace host {

void Output::line(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  stream_ << text << '\n' << std::flush;
  last_ = text;
}

void Output::trace(const std::string& text) {
  if (!tracing_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  stream_ << "trace: " << text << '\n' << std::flush;
}

std::string Output::lastLine() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_;
}

}  // namespace host
