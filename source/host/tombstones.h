#pragma once

// The slots of unloaded plugins. A plugin may call the host after its unload through a wrapper
// it kept, and the wrapper names the plugin by its slot: so a slot is never freed, nor its
// address given to another plugin. It is emptied, and kept with its name and `unloaded` set,
// to the end of the process.

#include <memory>

#include "plugin_slot.h"

namespace host {

// Any thread.
void bury(std::unique_ptr<PluginSlot> slot);

}  // namespace host
