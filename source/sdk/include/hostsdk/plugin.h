#pragma once

// A plugin library as the host loads it: the exported record, and the base of every plugin
// object.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "hostsdk/cvar.h"
#include "hostsdk/export.h"
#include "hostsdk/game.h"

// The host reads a plugin library's exported record `exports` of this type by its layout.
struct PluginInfo {
  int apiVersion;
  const char* sourceFile;
  const char* className;
  const char* displayName;
  const char* versionText;
  std::uint32_t typeFlags;
  std::uintptr_t (*createFn)();
  void (*releaseFn)();
};

namespace hostsdk {
// The plugin-API build the host accepts.
constexpr int kPluginApiVersion = 95;
}  // namespace hostsdk

#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(sizeof(PluginInfo) == 64, "the host reads PluginInfo by layout");
static_assert(offsetof(PluginInfo, apiVersion) == 0);
static_assert(offsetof(PluginInfo, sourceFile) == 8);
static_assert(offsetof(PluginInfo, className) == 16);
static_assert(offsetof(PluginInfo, displayName) == 24);
static_assert(offsetof(PluginInfo, versionText) == 32);
static_assert(offsetof(PluginInfo, typeFlags) == 40);
static_assert(offsetof(PluginInfo, createFn) == 48);
static_assert(offsetof(PluginInfo, releaseFn) == 56);
#endif

namespace BakkesMod::Plugin {

// The part of every plugin object the host knows. The plugin library defines and exports
// these members; the host fills both handles before it calls onLoad.
class BakkesModPlugin {
 public:
  PLUGIN_EXPORT BakkesModPlugin();
  PLUGIN_EXPORT BakkesModPlugin(const BakkesModPlugin& other);
  PLUGIN_EXPORT BakkesModPlugin(BakkesModPlugin&& other) noexcept;
  PLUGIN_EXPORT ~BakkesModPlugin();
  PLUGIN_EXPORT BakkesModPlugin& operator=(const BakkesModPlugin& other);
  PLUGIN_EXPORT BakkesModPlugin& operator=(BakkesModPlugin&& other) noexcept;

  PLUGIN_EXPORT virtual void onLoad();
  PLUGIN_EXPORT virtual void onUnload();

  std::shared_ptr<CVarManagerWrapper> cvarManager;
  std::shared_ptr<GameWrapper> gameWrapper;
};

}  // namespace BakkesMod::Plugin
