#pragma once

// The host's SDK as the plugin sees it. The plugin builds against one of two:
//   - the stand-in SDK of this project (source/sdk/), for the stand-in host: the default;
//   - the host's published SDK, for the real host: with RANKWATCH_PUBLISHED_SDK defined.
// Everything the plugin's sources see differently between the two is here and nowhere else:
//   RANKWATCH_EXPORT             marks the library's own exports
//   sdk::Record                  the information record's type, initialised by position
//   sdk::kApiVersion             the plugin-API build the record declares
//   sdk::kPluginType             the record's plugin-type word
//   sdk::kAnyone                 a console command's permission: anyone may run it
//   sdk::Window                  the window interface, with our names for its operations
//   sdk::SettingsWindow          the settings page interface, likewise
//   RANKWATCH_DEFINES_BASE_PART  1 when the library itself defines the base part's members
// The wrappers, their calls and the base part's fields are the same in both.

#include <cstdint>
#include <string>

#if defined(RANKWATCH_PUBLISHED_SDK)

#include <bakkesmod/plugin/PluginSettingsWindow.h>
#include <bakkesmod/plugin/bakkesmodplugin.h>
#include <bakkesmod/plugin/pluginwindow.h>
#include <bakkesmod/wrappers/http/HttpWrapper.h>

#define RANKWATCH_EXPORT BAKKESMOD_PLUGIN_EXPORT
// The published header defines the base part whole, inline.
#define RANKWATCH_DEFINES_BASE_PART 0

namespace sdk {

using Record = BakkesMod::Plugin::PluginInfo;
inline constexpr int kApiVersion = BAKKESMOD_PLUGIN_API_VERSION;
inline constexpr unsigned long kPluginType = PLUGINTYPE_THREADED;
inline constexpr unsigned char kAnyone = PERMISSION_ALL;

// The published interface names its slots Render, GetMenuName and so on. Each forwards to our
// operation of the same slot, which the plugin overrides; ours follow in slots of their own
// that the host never calls.
class Window : public BakkesMod::Plugin::PluginWindow {
 public:
  virtual void renderWindow() = 0;
  virtual std::string getMenuName() = 0;
  virtual std::string getMenuTitle() = 0;
  virtual void setImGuiContext(std::uintptr_t context) = 0;
  virtual bool shouldBlockInput() = 0;
  virtual bool isActiveOverlay() = 0;
  virtual void onOpen() = 0;
  virtual void onClose() = 0;

 private:
  void Render() final { renderWindow(); }
  std::string GetMenuName() final { return getMenuName(); }
  std::string GetMenuTitle() final { return getMenuTitle(); }
  void SetImGuiContext(std::uintptr_t context) final { setImGuiContext(context); }
  bool ShouldBlockInput() final { return shouldBlockInput(); }
  bool IsActiveOverlay() final { return isActiveOverlay(); }
  void OnOpen() final { onOpen(); }
  void OnClose() final { onClose(); }
};

// The same for the settings page. SetImGuiContext shares its signature with the window's, so
// the plugin's one setImGuiContext serves both.
class SettingsWindow : public BakkesMod::Plugin::PluginSettingsWindow {
 public:
  virtual void renderSettings() = 0;
  virtual std::string getPluginName() = 0;
  virtual void setImGuiContext(std::uintptr_t context) = 0;

 private:
  void RenderSettings() final { renderSettings(); }
  std::string GetPluginName() final { return getPluginName(); }
  void SetImGuiContext(std::uintptr_t context) final { setImGuiContext(context); }
};

}  // namespace sdk

#else

#include "hostsdk/game.h"
#include "hostsdk/http.h"
#include "hostsdk/plugin.h"
#include "hostsdk/plugin_settings_window.h"
#include "hostsdk/plugin_window.h"

#define RANKWATCH_EXPORT PLUGIN_EXPORT
// The stand-in's host finds the base part's members among the plugin library's exports.
#define RANKWATCH_DEFINES_BASE_PART 1

namespace sdk {

using Record = PluginInfo;
inline constexpr int kApiVersion = hostsdk::kPluginApiVersion;
// This plugin declares that one bit of the host's plugin-type word and no other.
inline constexpr std::uint32_t kPluginType = 0x20;
inline constexpr unsigned char kAnyone = 0;

using Window = BakkesMod::Plugin::PluginWindow;
using SettingsWindow = BakkesMod::Plugin::PluginSettingsWindow;

}  // namespace sdk

#endif
