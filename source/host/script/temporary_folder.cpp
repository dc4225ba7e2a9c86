// A temporary config folder that goes whichever way the run ends: a second stop request removes
// it, while the run may be saving into it, before the process ends.

#include "script/temporary_folder.h"

#include <atomic>
#include <chrono>
#include <random>
#include <string>

#include "script/terminal.h"

namespace host {

namespace {

std::atomic<bool> g_held{false};
std::filesystem::path g_folder;  // set before it is held
std::timed_mutex g_ending;

void removeOnLastStop() {
  std::unique_lock<std::timed_mutex> ending(g_ending, std::defer_lock);
  // Kept locked until the process ends, so that the run's end cannot begin a save meanwhile.
  if (ending.try_lock_for(std::chrono::seconds(2))) ending.release();
  if (!g_held.exchange(false)) return;
  std::error_code ignored;
  std::filesystem::remove_all(g_folder, ignored);
}

}  // namespace

std::filesystem::path makeTemporaryFolder() {
  std::error_code ignored;
  std::filesystem::path base = std::filesystem::temp_directory_path(ignored);
  std::random_device random;
  for (int tries = 0; tries < 100; ++tries) {
    std::filesystem::path folder =
        base / ("rankwatch-host-" + std::to_string(random()) + std::to_string(random()));
    if (!std::filesystem::create_directory(folder, ignored)) continue;
    g_folder = folder;
    g_held = true;
    onLastStop(removeOnLastStop);
    return folder;
  }
  return {};
}

void removeTemporaryFolder(const std::filesystem::path& folder) {
  // Held until gone: a last stop request meanwhile removes what is left.
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  g_held = false;
}

std::unique_lock<std::timed_mutex> holdTemporaryFolder() {
  return std::unique_lock<std::timed_mutex>(g_ending);
}

bool temporaryFolderHeld() {
  if (!g_ending.try_lock()) return true;
  g_ending.unlock();
  return false;
}

}  // namespace host
