#pragma once

// Lines of a stream, read on a thread of their own, so the host keeps running while it waits
// for the next one. A carriage return before the line break is dropped: files written on
// Windows read like any other. What reading holds is bounded: a line of at most kLongestLine
// bytes, and lines read ahead of their turn up to a few of those.

#include <atomic>
#include <condition_variable>
#include <cstddef>
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
  // No statement comes near it; a longer line is junk, such as a file of zeros.
  static constexpr size_t kLongestLine = 1 << 20;

  struct Line {
    std::string text;
    // Longer than kLongestLine: `text` holds its start, and the rest of it was dropped.
    bool tooLong = false;
  };

  // Shares the stream with the reading thread, which may be blocked in a read when the reader
  // goes and then outlives it. `arrived`, if given, is called on that thread as each line
  // arrives (a person pressed Enter), before it waits for room among the lines read ahead.
  explicit LineReader(std::shared_ptr<std::istream> in, std::function<void()> arrived = nullptr);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line read, if one is waiting.
  bool take(Line& line);
  // The input has ended, or reading failed, and every line read has been taken.
  bool done() const;
  // Why reading stopped before the input's end ("out of memory"); empty if it did not.
  std::string failure() const;
  // The input has ended, or a waiting line passes `test`.
  bool endedOrWaiting(const std::function<bool(const std::string&)>& test) const;
  // Sleeps until a line arrives or the input ends (since the last call), or `timeout` passed.
  void idle(Micros timeout);

 private:
  // What the reading thread shares with the reader.
  struct Shared {
    std::mutex mutex;
    std::condition_variable arrived;
    std::condition_variable room;  // a line was taken, or the reader went
    std::deque<Line> waiting;
    size_t waitingBytes = 0;
    std::uint64_t arrivals = 0;  // lines read, and one more when the input ends
    bool ended = false;
    std::atomic<bool> closed{false};  // the reader went: read no more
    std::string failure;
    std::function<void()> onArrival;  // called with the mutex held; dropped with the reader
  };
  static void read(std::istream& in, Shared& shared);
  static void hand(Shared& shared, Line& line);
  static size_t cost(const Line& line);

  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::uint64_t seen_ = 0;
  std::thread thread_;
};

}  // namespace host
