// The render thread: the work the game thread hands it, and the frames it draws on its own.

#include "gui/render_thread.h"

#include <algorithm>
#include <utility>

namespace host {

RenderThread::RenderThread(std::function<void()> drawOnItsOwn)
    : drawOnItsOwn_(std::move(drawOnItsOwn)) {
  thread_ = std::thread([this] { loop(); });
  id_ = thread_.get_id();
}

RenderThread::~RenderThread() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void RenderThread::run(const std::function<void()>& work) {
  if (isCurrent()) {
    work();
    return;
  }
  Job job{work, nullptr};
  std::unique_lock<std::mutex> lock(mutex_);
  // One piece of work at a time, whoever hands it in.
  done_.wait(lock, [&] { return job_ == nullptr; });
  job_ = &job;
  wake_.notify_all();
  done_.wait(lock, [&] { return job.done; });
  if (job.failure) std::rethrow_exception(job.failure);
}

void RenderThread::setRate(int perSecond) {
  rate_.store(perSecond > 0 ? perSecond : 0);
  std::lock_guard<std::mutex> lock(mutex_);
  wake_.notify_all();
}

void RenderThread::loop() {
  using Clock = std::chrono::steady_clock;
  Clock::time_point next = Clock::now();
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (job_) {
      Job& job = *job_;
      lock.unlock();
      try {
        job.work();
      } catch (...) {
        job.failure = std::current_exception();
      }
      lock.lock();
      job.done = true;
      job_ = nullptr;
      done_.notify_all();
      continue;
    }
    if (stopping_) return;
    const int rate = rate_.load();
    if (rate == 0) {
      wake_.wait(lock);
      next = Clock::now();
      continue;
    }
    const Clock::time_point now = Clock::now();
    if (now < next) {
      wake_.wait_until(lock, next);
      continue;
    }
    // A frame that ran late does not bring a burst of frames after it.
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / rate;
    next = std::max(next + period, now);
    lock.unlock();
    try {
      drawOnItsOwn_();
    } catch (...) {
      // A frame that could not be drawn (no memory) is one frame missed.
    }
    lock.lock();
  }
}

}  // namespace host
