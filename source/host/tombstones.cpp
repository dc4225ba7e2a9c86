// Emptied slots of unloaded plugins, kept to the end of the process.

#include "tombstones.h"

#include <mutex>
#include <vector>

namespace host {

void bury(std::unique_ptr<PluginSlot> slot) {
  static std::mutex mutex;
  // Never destroyed: a late call may come while the process ends.
  static auto* const buried = new std::vector<std::unique_ptr<PluginSlot>>();
  if (slot->unloaded.load() == 0) hostsdk::markUnloaded(slot->unloaded);
  slot->owner.reset();
  slot->plugin = nullptr;
  slot->window = nullptr;
  slot->settings = nullptr;
  slot->cvarManager.reset();
  slot->gameWrapper.reset();
  slot->code.reset();
  slot->library.close();
  std::lock_guard<std::mutex> lock(mutex);
  buried->push_back(std::move(slot));
}

}  // namespace host
