// The library's worker threads: started detached, counted while their jobs run, each holding
// the library until it has left the library's code.

#include "workers.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>

#include "library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#include <sched.h>
#endif

namespace workers {

namespace {

// Shared by the library and every thread it started, so that a thread still running when the
// library lets go of it (at the process's exit, when the library is the program itself) finds
// it whole.
struct State {
  std::mutex mutex;
  std::condition_variable ended;
  int running = 0;   // jobs started and not ended
  int starting = 0;  // threads started that hold no reference of their own yet
  // A thread whose job has ended waits for the next while the plugin is loaded, so that a
  // lookup costs the game thread a wake rather than a thread start. One at most.
  std::condition_variable woken;
  bool parked = false;         // a thread waits that may be handed a job
  int waiting = 0;             // threads that wait, parked or told to leave
  std::function<void()> next;  // handed over, not yet taken
  // Keeps the library loaded for threads that are starting; taken by the first start after a
  // load, on the game thread, so that no later start pays the loader's lock there.
  library::Reference standing = nullptr;
  bool unloaded = false;

  // Makes `change` under the mutex; then, out of it, lets go of the standing reference if it
  // is to go now.
  template <typename Change>
  void update(Change change) {
    library::Reference goes = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex);
      change();
      if (unloaded && starting == 0) goes = std::exchange(standing, nullptr);
    }
    if (goes) library::letGo(goes);
  }
};

void runJob(State& state, std::function<void()>& job) {
  try {
    job();
  } catch (...) {
    // Out of memory on the way: this job is lost.
  }
  job = nullptr;  // what it holds goes before the thread waits
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    --state.running;
  }
  state.ended.notify_all();
}

// Runs `job`, then each job handed over while this thread waits parked. Returns once the plugin
// is unloaded or another thread is parked already. A thread that was parked when the plugin
// was unloaded, and has not woken yet, may take a job handed to a thread parked after it: any
// thread may run a job, and the one that finds none leaves.
void serve(State& state, std::function<void()> job) {
  for (;;) {
    runJob(state, job);
    std::unique_lock<std::mutex> lock(state.mutex);
    if (state.unloaded || state.parked) return;
    state.parked = true;
    ++state.waiting;
    state.woken.wait(lock, [&] { return state.next || !state.parked; });
    --state.waiting;
    if (!state.next) {
      lock.unlock();
      state.ended.notify_all();
      return;
    }
    job = std::move(state.next);
    state.next = nullptr;
  }
}

// A lookup is background work: it must not take the game's turn. The thread lowers itself as
// it starts: a policy given at its creation costs the game thread a call into the system more
// than the creation itself.
void lowerPriority() {
#if defined(_WIN32)
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#else
  sched_param parameters{};
  pthread_setschedparam(pthread_self(), SCHED_BATCH, &parameters);
#endif
}

thread_local bool ownThread = false;

// What a thread is started with; the thread owns it.
struct Start {
  std::shared_ptr<State> state;
  std::function<void()> job;
};

// A thread's body. Returns the thread's own reference to the library, which the system lets go
// of once the thread has left the library's code.
library::Reference run(std::unique_ptr<Start> start) {
  ownThread = true;
  lowerPriority();
  State& state = *start->state;
  library::Reference own = nullptr;
  try {
    own = library::take();
  } catch (...) {
    library::keepForGood();
  }
  // The thread holds the library now: the standing reference may go, and is not its last.
  state.update([&] { --state.starting; });
  serve(state, std::move(start->job));
  return own;
}

#if defined(_WIN32)

DWORD WINAPI threadMain(void* raw) {
  library::Reference own = run(std::unique_ptr<Start>(static_cast<Start*>(raw)));
  if (own) FreeLibraryAndExitThread(static_cast<HMODULE>(own), 0);
  return 0;
}

void startThread(std::unique_ptr<Start> start) {
  HANDLE thread = CreateThread(nullptr, 0, &threadMain, start.get(), 0, nullptr);
  if (!thread) throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
  start.release();
  CloseHandle(thread);
}

#else

void* threadMain(void* raw) {
  library::Reference own = run(std::unique_ptr<Start>(static_cast<Start*>(raw)));
  if (own) library::letGoWhenThisThreadEnds(own);
  return nullptr;
}

void startThread(std::unique_ptr<Start> start) {
  pthread_t thread;
  const int error = pthread_create(&thread, nullptr, &threadMain, start.get());
  if (error != 0) throw std::system_error(error, std::system_category());
  start.release();
  pthread_detach(thread);  // nothing ever joins a worker
}

#endif

// Made on first use, so that a static made after that first use ends before it.
const std::shared_ptr<State>& shared() {
  static const std::shared_ptr<State> made = std::make_shared<State>();
  return made;
}

}  // namespace

void makeReady() {
  shared();
}

bool onOwnThread() {
  return ownThread;
}

void start(std::function<void()> job) {
  State& state = *shared();
  bool handed = false;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    handed = state.parked && !state.next;
    if (!handed && !state.standing) state.standing = library::take();
    state.unloaded = false;
    ++state.running;
    if (handed) {
      state.next = std::move(job);
      state.parked = false;
    } else {
      ++state.starting;
    }
  }
  if (handed) {
    state.woken.notify_all();
    return;
  }
  try {
    startThread(std::make_unique<Start>(Start{shared(), std::move(job)}));
  } catch (...) {
    state.update([&] {
      --state.starting;
      --state.running;
    });
    throw;
  }
}

bool awaitAll(std::chrono::milliseconds limit) {
  State& state = *shared();
  std::unique_lock<std::mutex> lock(state.mutex);
  // After the unload, the parked thread's leaving counts as a job's end.
  return state.ended.wait_for(
      lock, limit, [&] { return state.running == 0 && (!state.unloaded || state.waiting == 0); });
}

void letGo() {
  State& state = *shared();
  state.update([&] {
    state.unloaded = true;
    state.parked = false;
  });
  state.woken.notify_all();
}

}  // namespace workers
