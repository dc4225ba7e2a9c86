#include "web_lookup.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// Workers are never waited for while the plugin runs, but they are not detached either: a
// detached thread can still be returning through this library's code when the host unloads
// it. The library joins what is left of them as it unloads, and reaps finished ones as new
// ones start.
class Workers {
 public:
  ~Workers() {
    std::list<Worker> left;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      left.swap(running_);
    }
    for (Worker& worker : left) worker.thread.join();
  }

  void start(WebLookupJob job) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([job = std::move(job), done]() mutable {
      fetchWebMmr(std::move(job));
      done->store(true);
    });
    std::list<Worker> finished;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto it = running_.begin(); it != running_.end();) {
        auto next = std::next(it);
        if (it->done->load()) finished.splice(finished.end(), running_, it);
        it = next;
      }
      running_.push_back({std::move(thread), std::move(done)});
    }
    for (Worker& worker : finished) worker.thread.join();
  }

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  std::mutex mutex_;
  std::list<Worker> running_;
};

Workers workers;

}  // namespace

const char* platformWord(int onlinePlatform) { return onlinePlatform == 1 ? "steam" : "epic"; }

void startWebLookup(WebLookupJob job) { workers.start(std::move(job)); }

void fetchWebMmr(WebLookupJob) {
  // The request to the web stats service is not made yet: the lookup ends here.
}
