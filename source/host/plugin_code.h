#pragma once

// A plugin's code as the host holds it, and the callables the plugin hands over.
//
// The host may keep a plugin's callables past its unload (`unload keeping`), and sends any
// request it is handed, from whichever library and whenever. Calling or destroying a callable
// runs the library's code, which may be gone once the host has closed the library, unless
// something keeps it loaded (a thread of the plugin, or the plugin itself). So each callable is
// held with the load it came from (PluginCode), and after the close runs, and is destroyed, only
// while that library is still mapped. Otherwise the host says it did not call it (a real host
// would crash; the run ends with exit status 5) and leaves it alive, counted for the last note.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "loader.h"
#include "output.h"

namespace host {

// What a host learns of calls into closed libraries; shared by the host and its loads.
struct ClosedCalls {
  explicit ClosedCalls(Output& output) : output(output) {}
  Output& output;
  std::atomic<int> called{0};     // calls the host did not make, their code gone
  std::atomic<int> leftAlive{0};  // callables never destroyed, their code gone
};

// One load of a plugin library, or a plugin object made in this process (no library: its code
// is always there). `gameThread` is the one that closes it.
class PluginCode {
 public:
  PluginCode(std::string plugin, std::string path, const void* module,
             std::shared_ptr<ClosedCalls> closedCalls, std::thread::id gameThread);
  ~PluginCode();
  PluginCode(const PluginCode&) = delete;
  PluginCode& operator=(const PluginCode&) = delete;

  // Opens `path` for a new load. A closed load of it that is no longer mapped counts as gone
  // from here on, even should this load map it again at the same place.
  static Library open(const std::string& path, std::string& error);

  const std::string& plugin() const { return plugin_; }
  const void* module() const { return module_; }
  // Game thread: the host has closed the library.
  void closed() { closed_.store(true); }

  // Any thread: true while the library is mapped, and `held` then keeps it so.
  bool reach(Library& held);
  // Says that a `what` of this load was not called, its code gone.
  void notCalled(const char* what);
  // Keeps `callable` alive to the end of the process, where leak checkers see it kept on
  // purpose: destroying it would run code that is gone.
  void leaveAlive(const void* callable);

 private:
  const std::string plugin_;
  const std::string path_;
  const void* const module_;
  const std::shared_ptr<ClosedCalls> closedCalls_;
  const std::thread::id gameThread_;
  std::atomic<bool> closed_{false};
  bool gone_ = false;  // under the load mutex
};

// A callable of a plugin, as the host keeps it: called and destroyed only while its code is
// there. Copies of the std::function it makes share one plugin callable and never copy it,
// since copying runs the plugin's code too.
template <typename Result, typename... Args>
std::function<Result(Args...)> keptCallable(std::shared_ptr<PluginCode> code,
                                            std::function<Result(Args...)> call, const char* what) {
  class Kept {
   public:
    Kept(std::shared_ptr<PluginCode> code, std::function<Result(Args...)>* call, const char* what)
        : code_(std::move(code)), call_(call), what_(what) {}
    Kept(const Kept&) = delete;
    Kept& operator=(const Kept&) = delete;
    ~Kept() {
      Library held;
      if (code_->reach(held)) {
        delete call_;
      } else {
        code_->leaveAlive(call_);
      }
    }

    Result operator()(Args... args) {
      Library held;
      if (!code_->reach(held)) {
        code_->notCalled(what_);
        return Result();
      }
      return (*call_)(std::forward<Args>(args)...);
    }

   private:
    const std::shared_ptr<PluginCode> code_;
    std::function<Result(Args...)>* const call_;  // owned; left alive when its code is gone
    const char* const what_;
  };
  // A copy, the original let go here: a host may keep a copy of what it is handed.
  auto owned = std::make_unique<std::function<Result(Args...)>>(call);
  auto kept = std::make_shared<Kept>(std::move(code), owned.get(), what);
  owned.release();
  return [kept](Args... args) -> Result { return (*kept)(std::forward<Args>(args)...); };
}

}  // namespace host
