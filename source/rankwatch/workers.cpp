// The library's worker threads.
//
//   Pin      the library held loaded by a thread until the thread has left its code
//   Thread   one thread, started with a pin of its own
//   Workers  the threads started and not yet joined, shared with the threads themselves

#include "workers.h"

#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <link.h>
#include <pthread.h>

#include <cerrno>
#include <thread>
#endif

namespace workers {

namespace {

// An address inside the library, to find the library by.
const char kInLibrary = 0;

// ---- Pin ------------------------------------------------------------------------------------
//
// A reference to the library, taken on the starting thread before the thread exists and let go
// by the system once the thread has left the library's code: the call that lets go returns into
// the system, never into the library it may just have unloaded.

#if defined(_WIN32)

using Pin = HMODULE;

Pin pinLibrary() {
  HMODULE library = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&kInLibrary), &library)) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
  }
  return library;
}

// For a thread that never started.
void unpin(Pin pin) {
  FreeLibrary(pin);
}

#else

// glibc has no FreeLibraryAndExitThread. A thread-specific key does the same: its destructor
// runs after the thread's function has returned, and it is dlclose itself, not a function of
// ours. (A library that holds a thread_local with a destructor is kept loaded too, but glibc
// then unloads it only at some later dlclose, of any library, and a dlopen of it meanwhile
// hands back the old one with its old state.)
using Pin = void*;

class PinKey {
 public:
  PinKey() = default;
  PinKey(const PinKey&) = delete;
  PinKey& operator=(const PinKey&) = delete;
  // At the library's unload no thread holds a pin, or the last one has just been let go.
  ~PinKey() {
    if (made_) pthread_key_delete(key_);
  }

  pthread_key_t get() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!made_) {
      // Its int result is left in a register no one reads.
      const auto destructor =
          reinterpret_cast<void (*)(void*)>(reinterpret_cast<void (*)()>(&dlclose));
      const int error = pthread_key_create(&key_, destructor);
      if (error != 0) throw std::system_error(error, std::system_category());
      made_ = true;
    }
    return key_;
  }

 private:
  std::mutex mutex_;
  pthread_key_t key_{};
  bool made_ = false;
};

PinKey pinKey;

// The name the loader knows the library by; empty for the program itself, which is never
// unloaded and which a pin then holds to no effect.
const char* libraryName() {
  static const char* const name = [] {
    Dl_info info;
    link_map* map = nullptr;
    const bool found =
        dladdr1(&kInLibrary, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) != 0 &&
        map != nullptr;
    return found ? map->l_name : static_cast<const char*>(nullptr);
  }();
  return name;
}

Pin pinLibrary() {
  const char* name = libraryName();
  Pin pin = name ? dlopen(name, RTLD_LAZY | RTLD_NOLOAD) : nullptr;
  if (!pin) throw std::system_error(ENOENT, std::system_category());
  return pin;
}

void unpin(Pin pin) {
  dlclose(pin);
}

#endif

// ---- Thread ---------------------------------------------------------------------------------

#if defined(_WIN32)

struct Start {
  std::function<void()> body;
  HMODULE library;
};

DWORD WINAPI threadMain(void* raw) {
  HMODULE library;
  {
    std::unique_ptr<Start> start(static_cast<Start*>(raw));
    library = start->library;
    start->body();
  }
  FreeLibraryAndExitThread(library, 0);
}

class Thread {
 public:
  explicit Thread(std::function<void()> body) {
    auto start = std::make_unique<Start>(Start{std::move(body), pinLibrary()});
    handle_ = CreateThread(nullptr, 0, &threadMain, start.get(), 0, nullptr);
    if (!handle_) {
      const DWORD error = GetLastError();
      unpin(start->library);
      throw std::system_error(static_cast<int>(error), std::system_category());
    }
    start.release();
  }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  ~Thread() { detach(); }

  void join() {
    if (!handle_) return;
    WaitForSingleObject(handle_, INFINITE);
    detach();
  }
  void detach() {
    if (handle_) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

#else

class Thread {
 public:
  explicit Thread(std::function<void()> body) {
    const pthread_key_t key = pinKey.get();
    Pin pin = pinLibrary();
    try {
      thread_ = std::thread([key, pin, body = std::move(body)] {
        // Should this fail (no memory for the key's slot), the library stays loaded for good.
        pthread_setspecific(key, pin);
        body();
      });
    } catch (...) {
      unpin(pin);
      throw;
    }
  }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  ~Thread() { detach(); }

  void join() {
    if (thread_.joinable()) thread_.join();
  }
  void detach() {
    if (thread_.joinable()) thread_.detach();
  }

 private:
  std::thread thread_;
};

#endif

// ---- Workers --------------------------------------------------------------------------------

// Shared by the library and every thread it started, so that a thread still running when the
// library lets go of it (at the process's exit, when the library is the program itself) finds
// it whole. Whoever drops it last lets the threads listed go.
struct State {
  struct Worker {
    std::optional<Thread> thread;
    bool done = false;  // the job is over; the thread may still be on its way out
  };

  std::mutex mutex;
  std::condition_variable ended;
  std::list<Worker> running;

  // Dropped last by the library's unload, which may run on a thread that ends: the lock makes
  // every thread's last word about the list visible there.
  ~State() {
    std::lock_guard<std::mutex> lock(mutex);
    running.clear();
  }

  bool allDone() const {
    for (const Worker& worker : running) {
      if (!worker.done) return false;
    }
    return true;
  }

  // Joining a finished thread can wait a moment, which a thread can afford and a frame cannot.
  void reapFinished() {
    std::list<Worker> finished;
    {
      std::lock_guard<std::mutex> lock(mutex);
      for (auto it = running.begin(); it != running.end();) {
        auto next = std::next(it);
        if (it->done) finished.splice(finished.end(), running, it);
        it = next;
      }
    }
    for (Worker& worker : finished) worker.thread->join();
  }
};

class Workers {
 public:
  void start(std::function<void()> job) {
    // The list node is made before the thread, and the lock taken: once the thread runs,
    // nothing is left that can throw.
    std::list<State::Worker> fresh;
    fresh.emplace_back();
    State::Worker* worker = &fresh.back();
    std::function<void()> body = [state = state_, worker, job = std::move(job)] {
      try {
        state->reapFinished();
        job();
      } catch (...) {
        // Out of memory on the way: this job is lost.
      }
      {
        std::lock_guard<std::mutex> lock(state->mutex);
        worker->done = true;
      }
      state->ended.notify_all();
    };
    std::lock_guard<std::mutex> lock(state_->mutex);
    worker->thread.emplace(std::move(body));
    state_->running.splice(state_->running.end(), fresh);
  }

  bool awaitAll(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(state_->mutex);
    return state_->ended.wait_for(lock, limit, [&] { return state_->allDone(); });
  }

  void joinAll() {
    for (;;) {
      std::list<State::Worker> left;
      {
        std::lock_guard<std::mutex> lock(state_->mutex);
        left.swap(state_->running);
      }
      if (left.empty()) return;
      for (State::Worker& worker : left) worker.thread->join();
    }
  }

 private:
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

Workers workers;

}  // namespace

void start(std::function<void()> job) {
  workers.start(std::move(job));
}

bool awaitAll(std::chrono::milliseconds limit) {
  return workers.awaitAll(limit);
}

void joinAll() {
  workers.joinAll();
}

}  // namespace workers
