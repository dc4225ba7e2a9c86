#include "script/line_reader.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "script/named_files.h"

namespace host {

LineReader::LineReader(std::shared_ptr<std::istream> in, std::function<void()> arrived) {
  shared_->onArrival = std::move(arrived);
  thread_ = std::thread([shared = shared_, in = std::move(in)] {
    std::string line;
    while (std::getline(*in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::lock_guard<std::mutex> lock(shared->mutex);
      if (shared->onArrival) shared->onArrival();
      shared->waiting.push_back(std::move(line));
      ++shared->arrivals;
      shared->arrived.notify_all();
    }
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->ended = true;
    ++shared->arrivals;
    shared->arrived.notify_all();
  });
}

LineReader::~LineReader() {
  bool ended = false;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    ended = shared_->ended;
    shared_->onArrival = nullptr;  // what it calls may go with the reader
  }
  if (ended) {
    thread_.join();
  } else {
    thread_.detach();  // blocked in a read that may never end; it owns what it touches
  }
}

bool LineReader::take(std::string& line) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  if (shared_->waiting.empty()) return false;
  line = std::move(shared_->waiting.front());
  shared_->waiting.pop_front();
  return true;
}

bool LineReader::done() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->ended && shared_->waiting.empty();
}

bool LineReader::endedOrWaiting(const std::function<bool(const std::string&)>& test) const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  if (shared_->ended) return true;
  for (const std::string& line : shared_->waiting) {
    if (test(line)) return true;
  }
  return false;
}

void LineReader::idle(Micros timeout) {
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->arrived.wait_for(lock, std::chrono::microseconds(std::max<Micros>(timeout, 0)),
                            [&] { return shared_->arrivals != seen_; });
  seen_ = shared_->arrivals;
}

std::shared_ptr<std::istream> openLines(const std::string& file, std::string& reason) {
  errno = 0;
  auto in = std::make_shared<std::ifstream>(file, std::ios::binary);
  const int error = errno;
  std::error_code failure;
  if (*in && !std::filesystem::is_directory(file, failure)) return in;
  reason = whyUnreadable(file, error);
  return nullptr;
}

}  // namespace host
