#pragma once

// A plugin's window, which the host draws in its GUI.

#include <cstdint>
#include <string>

namespace BakkesMod::Plugin {

// A plugin window the host draws into its own GUI context, addressed by its menu name.
// The host calls setImGuiContext before anything else, and every operation on its render
// thread, where a plugin must not call into the game: GameWrapper::Execute hands work over.
class PluginWindow {
 public:
  virtual void renderWindow() = 0;
  virtual std::string getMenuName() = 0;
  virtual std::string getMenuTitle() = 0;
  virtual void setImGuiContext(std::uintptr_t context) = 0;
  virtual bool shouldBlockInput() = 0;
  virtual bool isActiveOverlay() = 0;
  virtual void onOpen() = 0;
  virtual void onClose() = 0;
};

}  // namespace BakkesMod::Plugin
