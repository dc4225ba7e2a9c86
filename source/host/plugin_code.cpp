// Loads of plugin libraries, told apart once the host has closed them: still mapped, or gone.

#include "plugin_code.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace host {

namespace {

// Orders the host's loads against the look of other threads at closed ones, so that a load
// that maps a library again is never taken for the closed load of it. Every host in the
// process shares it, as they share the system's loader.
std::mutex loadMutex;
std::vector<PluginCode*> loads;

}  // namespace

PluginCode::PluginCode(std::string plugin, std::string path, const void* module,
                       std::shared_ptr<ClosedCalls> closedCalls, std::thread::id gameThread)
    : plugin_(std::move(plugin)),
      path_(std::move(path)),
      module_(module),
      closedCalls_(std::move(closedCalls)),
      gameThread_(gameThread) {
  std::lock_guard<std::mutex> lock(loadMutex);
  loads.push_back(this);
}

PluginCode::~PluginCode() {
  std::lock_guard<std::mutex> lock(loadMutex);
  loads.erase(std::remove(loads.begin(), loads.end(), this), loads.end());
}

Library PluginCode::open(const std::string& path, std::string& error) {
  std::lock_guard<std::mutex> lock(loadMutex);
  // What is still mapped is held so through the open, which then maps nothing new.
  std::vector<Library> stillMapped;
  for (PluginCode* load : loads) {
    if (load->path_ != path || !load->closed_.load() || load->gone_) continue;
    Library held = Library::reopen(path);
    load->gone_ = !held;
    if (held) stillMapped.push_back(std::move(held));
  }
  return Library::open(path, error);
}

bool PluginCode::reach(Library& held) {
  if (path_.empty()) return true;
  // Nothing closes the library while the game thread calls into it; asking the loader on every
  // call would cost as much as the call.
  if (!closed_.load() && std::this_thread::get_id() == gameThread_) return true;
  // Held even before the close on other threads: a reply may run on the HTTP thread while the
  // game thread closes the library.
  std::lock_guard<std::mutex> lock(loadMutex);
  if (gone_) return false;
  held = Library::reopen(path_);
  gone_ = !held;
  return !gone_;
}

void PluginCode::leaveAlive(const void* callable) {
  static auto* const leftAlive = new std::vector<const void*>();
  {
    std::lock_guard<std::mutex> lock(loadMutex);
    leftAlive->push_back(callable);
  }
  ++closedCalls_->leftAlive;
}

void PluginCode::notCalled(const char* what) {
  ++closedCalls_->called;
  closedCalls_->output.error(plugin_ + ": a " + what + " of a closed library was called");
}

}  // namespace host
