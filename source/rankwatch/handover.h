#pragma once

// A value handed from one thread to another without a lock: the writer publishes whole copies,
// the reader takes the newest whole copy. Neither waits for the other, and nothing allocates:
// three slots take turns, one the writer's, one the reader's, and one between them, swapped
// with one atomic exchange on each side. One writer at a time (writers on several threads
// serialise themselves) and one reading thread.

#include <atomic>

template <typename T>
class Handover {
 public:
  // Writer. A copy the reader has not taken yet is replaced.
  void publish(const T& value) {
    slots_[writing_] = value;
    writing_ = middle_.exchange(writing_ | kFresh, std::memory_order_acq_rel) & kSlot;
  }

  // Reader. The newest copy published, or the one taken last when none came since.
  const T& latest() {
    if (middle_.load(std::memory_order_relaxed) & kFresh) {
      reading_ = middle_.exchange(reading_, std::memory_order_acq_rel) & kSlot;
    }
    return slots_[reading_];
  }

 private:
  static constexpr unsigned kSlot = 3;
  static constexpr unsigned kFresh = 4;

  T slots_[3]{};
  unsigned writing_ = 0;
  std::atomic<unsigned> middle_{1};
  unsigned reading_ = 2;
};
