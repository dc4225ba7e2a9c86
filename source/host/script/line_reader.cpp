// Reading statements line by line on a thread of its own, within bounds.

#include "script/line_reader.h"

#include <algorithm>
#include <chrono>
#include <new>

namespace host {

LineReader::LineReader(std::shared_ptr<std::istream> in, std::function<void()> arrived) {
  shared_->onArrival = std::move(arrived);
  thread_ = std::thread([shared = shared_, in = std::move(in)] {
    // Running out of memory, or a stream that throws, ends the input as a failure: taken for
    // the input's end, it would end a run as if it had gone through.
    std::string failure;
    try {
      read(*in, *shared);
    } catch (const std::bad_alloc&) {
      failure = "out of memory";
    } catch (const std::exception& error) {
      failure = error.what();
    }
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->failure = std::move(failure);
    shared->ended = true;
    ++shared->arrivals;
    shared->arrived.notify_all();
  });
}

void LineReader::read(std::istream& in, Shared& shared) {
  std::streambuf& bytes = *in.rdbuf();
  using Traits = std::streambuf::traits_type;
  const auto isEnd = [](int c) { return Traits::eq_int_type(c, Traits::eof()); };
  Line line;
  while (!shared.closed) {
    int c = bytes.sbumpc();
    if (isEnd(c) || c == '\n') {
      if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
      if (c == '\n' || !line.text.empty()) hand(shared, line);
      if (isEnd(c)) return;
    } else if (line.text.size() < kLongestLine) {
      line.text += Traits::to_char_type(c);
    } else {
      // Told at once, for a line that may never end (/dev/zero); the rest of it is dropped.
      line.tooLong = true;
      hand(shared, line);
      while (!isEnd(c) && c != '\n' && !shared.closed) c = bytes.sbumpc();
      if (isEnd(c)) return;
    }
  }
}

size_t LineReader::cost(const Line& line) {
  constexpr size_t kLineCost = 64;  // besides its bytes
  return line.text.capacity() + kLineCost;
}

void LineReader::hand(Shared& shared, Line& line) {
  // Lines read ahead of their turn wait within this many bytes.
  constexpr size_t kMostWaiting = 4 * kLongestLine;
  std::unique_lock<std::mutex> lock(shared.mutex);
  // The line has arrived, Enter pressed, even when it has to wait for room.
  if (shared.onArrival) shared.onArrival();
  shared.room.wait(lock, [&] { return shared.waitingBytes <= kMostWaiting || shared.closed; });
  shared.waitingBytes += cost(line);
  shared.waiting.push_back(std::move(line));
  ++shared.arrivals;
  shared.arrived.notify_all();
  line = Line();
}

LineReader::~LineReader() {
  bool ended = false;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    ended = shared_->ended;
    shared_->closed = true;
    shared_->onArrival = nullptr;  // what it calls may go with the reader
  }
  shared_->room.notify_all();
  if (ended) {
    thread_.join();
  } else {
    thread_.detach();  // blocked in a read that may never end; it owns what it touches
  }
}

bool LineReader::take(Line& line) {
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->waiting.empty()) return false;
    shared_->waitingBytes -= cost(shared_->waiting.front());
    line = std::move(shared_->waiting.front());
    shared_->waiting.pop_front();
  }
  shared_->room.notify_all();
  return true;
}

bool LineReader::done() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->ended && shared_->waiting.empty();
}

std::string LineReader::failure() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->failure;
}

bool LineReader::endedOrWaiting(const std::function<bool(const std::string&)>& test) const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->ended || std::any_of(shared_->waiting.begin(), shared_->waiting.end(),
                                       [&](const Line& line) { return test(line.text); });
}

void LineReader::idle(Micros timeout) {
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->arrived.wait_for(lock, std::chrono::microseconds(std::max<Micros>(timeout, 0)),
                            [&] { return shared_->arrivals != seen_; });
  seen_ = shared_->arrivals;
}

}  // namespace host
