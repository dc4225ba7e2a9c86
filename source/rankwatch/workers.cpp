// The library's worker threads.
//
//   Thread   one thread: on Windows a system thread that holds the library loaded while it
//            runs, elsewhere a std::thread
//   Workers  the threads started and not yet joined

#include "workers.h"

#include <atomic>
#include <list>
#include <mutex>
#include <optional>
#include <utility>

#if defined(_WIN32)
#include <windows.h>

#include <memory>
#include <system_error>
#else
#include <thread>
#endif

namespace workers {

namespace {

// ---- Thread ---------------------------------------------------------------------------------

#if defined(_WIN32)

struct Start {
  std::function<void()> body;
  HMODULE library;  // a reference of the thread's own
};

DWORD WINAPI threadMain(void* raw) {
  HMODULE library;
  {
    std::unique_ptr<Start> start(static_cast<Start*>(raw));
    library = start->library;
    start->body();
  }
  // The thread's reference goes last, from a function that never returns into the library:
  // when it is the last one, the library is gone by then.
  FreeLibraryAndExitThread(library, 0);
}

// A thread ends under the loader's lock, which the library's unload holds while its static
// destructors run: waiting there for a thread would hang. So the thread holds the library
// until it has left its code, and the unload lets go of the threads it finds listed.
class Thread {
 public:
  explicit Thread(std::function<void()> body) {
    auto start = std::make_unique<Start>(Start{std::move(body), nullptr});
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&kInLibrary), &start->library)) {
      throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
    }
    handle_ = CreateThread(nullptr, 0, &threadMain, start.get(), 0, nullptr);
    if (!handle_) {
      const DWORD error = GetLastError();
      FreeLibrary(start->library);
      throw std::system_error(static_cast<int>(error), std::system_category());
    }
    start.release();
  }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  ~Thread() {
    if (handle_) CloseHandle(handle_);
  }

  void join() {
    if (!handle_) return;
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  static const char kInLibrary;  // an address inside the library, to find it by
  HANDLE handle_ = nullptr;
};

const char Thread::kInLibrary = 0;

#else

// A thread's end needs nothing that the unload holds, so the unload waits for it: a thread let
// go could still be running the library's code when that is unmapped.
class Thread {
 public:
  explicit Thread(std::function<void()> body) : thread_(std::move(body)) {}
  ~Thread() { join(); }

  void join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};

#endif

// ---- Workers --------------------------------------------------------------------------------

class Workers {
 public:
#if defined(_WIN32)
  // At the unload no thread runs the library's code, since each holds the library while it
  // does; or the process is ending, its threads stopped, one of them perhaps holding the lock.
  // The threads left are let go, without the lock.
  ~Workers() = default;
#else
  ~Workers() {
    joinAll();
  }
#endif

  void start(std::function<void()> job) {
    // The list node is made before the thread, and the lock taken: once the thread runs,
    // nothing is left that can throw.
    std::list<Worker> fresh;
    fresh.emplace_back();
    std::atomic<bool>* done = &fresh.back().done;
    std::function<void()> body = [this, done, job = std::move(job)] {
      try {
        reapFinished();
        job();
      } catch (...) {
        // Out of memory on the way: this job is lost.
      }
      done->store(true);
    };
    std::lock_guard<std::mutex> lock(mutex_);
    fresh.back().thread.emplace(std::move(body));
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
      for (Worker& worker : left) worker.thread->join();
    }
  }

 private:
  struct Worker {
    std::optional<Thread> thread;
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
    for (Worker& worker : finished) worker.thread->join();
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
