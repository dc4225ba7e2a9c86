#include "workers.h"

#include <atomic>
#include <list>
#include <mutex>
#include <thread>
#include <utility>

namespace workers {

namespace {

// Threads are never detached: a detached thread can still be returning through this library's
// code when the host unloads it.
class Workers {
 public:
  ~Workers() { joinAll(); }

  void start(std::function<void()> job) {
    // The list node is made before the thread, and the lock taken: once the thread runs,
    // nothing is left that can throw.
    std::list<Worker> fresh;
    fresh.emplace_back();
    std::atomic<bool>* done = &fresh.back().done;
    std::lock_guard<std::mutex> lock(mutex_);
    fresh.back().thread = std::thread([this, done, job = std::move(job)] {
      try {
        reapFinished();
        job();
      } catch (...) {
        // Out of memory on the way: this job is lost.
      }
      done->store(true);
    });
    running_.splice(running_.end(), fresh);
  }

  void joinAll() {
    for (;;) {
      std::list<Worker> left;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        left.swap(running_);
      }
      if (left.empty()) return;
      for (Worker& worker : left) worker.thread.join();
    }
  }

 private:
  struct Worker {
    std::thread thread;
    std::atomic<bool> done{false};
  };

  // A worker that has set its flag may still be on its way out: joining it can wait a moment,
  // which a worker can afford and a frame cannot.
  void reapFinished() {
    std::list<Worker> finished;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto it = running_.begin(); it != running_.end();) {
        auto next = std::next(it);
        if (it->done.load()) finished.splice(finished.end(), running_, it);
        it = next;
      }
    }
    for (Worker& worker : finished) worker.thread.join();
  }

  std::mutex mutex_;
  std::list<Worker> running_;
};

Workers workers;

}  // namespace

void start(std::function<void()> job) {
  workers.start(std::move(job));
}

void joinAll() {
  workers.joinAll();
}

}  // namespace workers
