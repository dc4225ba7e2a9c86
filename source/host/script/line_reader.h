#pragma once

// Lines of a stream, read on a thread of their own, so the host keeps running while it waits
// for the next one. A carriage return before the line break is dropped: files written on
// Windows read like any other.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <istream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "clock.h"

namespace host {

class LineReader {
 public:
  // Shares the stream with the reading thread, which may be blocked in a read when the reader
  // goes and then outlives it. `arrived`, if given, is called on that thread as each line
  // arrives (a person pressed Enter), before anyone takes it.
  explicit LineReader(std::shared_ptr<std::istream> in, std::function<void()> arrived = nullptr);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line read, if one is waiting.
  bool take(std::string& line);
  // The input has ended and every line has been taken.
  bool done() const;
  // The input has ended, or a waiting line passes `test`.
  bool endedOrWaiting(const std::function<bool(const std::string&)>& test) const;
  // Sleeps until a line arrives or the input ends (since the last call), or `timeout` passed.
  void idle(Micros timeout);

 private:
  // What the reading thread shares with the reader.
  struct Shared {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::string> waiting;
    std::uint64_t arrivals = 0;  // lines read, and one more when the input ends
    bool ended = false;
    std::function<void()> onArrival;  // called with the mutex held; dropped with the reader
  };

  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::uint64_t seen_ = 0;
  std::thread thread_;
};

// Opens a file for a LineReader; null, with the reason, when it cannot be read.
std::shared_ptr<std::istream> openLines(const std::string& file, std::string& reason);

}  // namespace host
