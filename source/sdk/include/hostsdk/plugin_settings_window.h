#pragma once

// A plugin's settings page, for the host's plugins tab.

#include <cstdint>
#include <string>

namespace BakkesMod::Plugin {

// A plugin's page in the host's plugins tab, drawn inside the host's "Plugins" window. As for
// a plugin window, the host calls setImGuiContext first and everything on its render thread,
// where GameWrapper::Execute hands game work over.
class PluginSettingsWindow {
 public:
  virtual void renderSettings() = 0;
  virtual std::string getPluginName() = 0;
  virtual void setImGuiContext(std::uintptr_t context) = 0;
};

}  // namespace BakkesMod::Plugin
