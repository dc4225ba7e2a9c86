#pragma once

// Declarations only (see bakkesmodsdk.h): the record, the base part, and the wrappers with the
// calls the plugin makes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bakkesmod/plugin/bakkesmodsdk.h"

// The plugin reads it as a number.
enum OnlinePlatform {};

class BAKKESMOD_PLUGIN_IMPORT UniqueIDWrapper {
 public:
  std::string str();
  OnlinePlatform GetPlatform();
};

class BAKKESMOD_PLUGIN_IMPORT CVarWrapper {
 public:
  void bindTo(std::shared_ptr<bool> cell);
  void bindTo(std::shared_ptr<float> cell);
  void addOnValueChanged(std::function<void(std::string, CVarWrapper)> callback);
  bool getBoolValue();
  std::string getStringValue();
};

class BAKKESMOD_PLUGIN_IMPORT CVarManagerWrapper {
 public:
  CVarWrapper registerCvar(std::string name, std::string defaultValue, std::string description,
                           bool searchable, bool hasMinimum, float minimum, bool hasMaximum,
                           float maximum, bool saved);
  CVarWrapper getCvar(std::string name);
  void registerNotifier(std::string name, std::function<void(std::vector<std::string>)> callback,
                        std::string description, unsigned char permissions);
  void executeCommand(std::string command, bool log);
};

class BAKKESMOD_PLUGIN_IMPORT MMRNotifierToken {
 public:
  ~MMRNotifierToken();
};

class BAKKESMOD_PLUGIN_IMPORT MMRWrapper {
 public:
  std::unique_ptr<MMRNotifierToken> RegisterMMRNotifier(
      std::function<void(UniqueIDWrapper)> callback);
  int GetCurrentPlaylist();
  bool IsSyncing(UniqueIDWrapper id);
  bool IsSynced(UniqueIDWrapper id, int playlist);
  float GetPlayerMMR(UniqueIDWrapper id, int playlist);
};

class BAKKESMOD_PLUGIN_IMPORT GameWrapper {
 public:
  void HookEvent(std::string eventName, std::function<void(std::string)> callback);
  void SetTimeout(std::function<void(GameWrapper*)> callback, float seconds);
  void Execute(std::function<void(GameWrapper*)> callback);
  UniqueIDWrapper GetUniqueID();
  MMRWrapper GetMMRWrapper();
};

namespace BakkesMod::Plugin {

struct PluginInfo {
  short apiBuildVersion;
  const char* fileName;
  const char* className;
  const char* pluginName;
  const char* pluginVersion;
  unsigned long pluginType;
  std::uintptr_t (*factory)();
  void (*release)();
};
static_assert(sizeof(PluginInfo) == 64, "the host reads the record by layout");

class BAKKESMOD_PLUGIN_EXPORT BakkesModPlugin {
 public:
  std::shared_ptr<CVarManagerWrapper> cvarManager;
  std::shared_ptr<GameWrapper> gameWrapper;

  virtual void onLoad() {}
  virtual void onUnload() {}
};

}  // namespace BakkesMod::Plugin
