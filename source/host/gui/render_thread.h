#pragma once

// The host's render thread, where the GUI lives and plugin windows draw, as in a running game:
// the game thread goes on with hooks, timers and commands meanwhile. The game thread hands it
// work and waits for it (a frame, a window opened, a picture), so what a scenario sees stays
// the same from run to run; on top of that it can draw on its own, in real time, at a rate.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace host {

class RenderThread {
 public:
  // `drawOnItsOwn` draws one frame; it runs on the render thread, between the work handed in.
  explicit RenderThread(std::function<void()> drawOnItsOwn);
  // Stops drawing and ends the thread; work handed in before has run.
  ~RenderThread();
  RenderThread(const RenderThread&) = delete;
  RenderThread& operator=(const RenderThread&) = delete;

  // Runs `work` on the render thread and returns when it has run, passing on what it threw.
  // On the render thread itself it runs at once. Any other thread.
  void run(const std::function<void()>& work);

  // From now on draws `perSecond` frames a second on its own, in real time; 0 stops that.
  void setRate(int perSecond);

  bool isCurrent() const { return std::this_thread::get_id() == id_; }

 private:
  void loop();

  // Work handed in, on the stack of the thread that waits for it.
  struct Job {
    const std::function<void()>& work;
    std::exception_ptr failure;
    bool done = false;
  };

  std::function<void()> drawOnItsOwn_;
  std::mutex mutex_;
  std::condition_variable wake_;  // work handed in, a new rate, or the end
  std::condition_variable done_;  // the work handed in has run
  Job* job_ = nullptr;
  bool stopping_ = false;
  std::atomic<int> rate_{0};
  std::thread thread_;
  std::thread::id id_;
};

}  // namespace host
