#pragma once

// Declarations only (see bakkesmodsdk.h): the record, the base part, and the wrappers with the
// calls the plugin makes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bakkesmod/plugin/bakkesmodsdk.h"

enum OnlinePlatform {
  OnlinePlatform_Unknown = 0,
  OnlinePlatform_Steam = 1,
  OnlinePlatform_PS4 = 2,
  OnlinePlatform_PS3 = 3,
  OnlinePlatform_Dingo = 4,
  OnlinePlatform_QQ = 5,
  OnlinePlatform_OldNNX = 6,
  OnlinePlatform_NNX = 7,
  OnlinePlatform_PsyNet = 8,
  OnlinePlatform_Deleted = 9,
  OnlinePlatform_WeGame = 10,
  OnlinePlatform_Epic = 11,
  OnlinePlatform_MAX = 12
};

// The host makes the wrappers it hands a plugin, and only it: every one but UniqueIDWrapper
// lacks a default constructor. Explicit, so that empty braces cannot make one either. Each holds
// a pointer to the host's object and declares its copy, assignment and destructor, so that it
// is passed and returned as the host's own are: through memory, never in registers.

class BAKKESMOD_PLUGIN_IMPORT UniqueIDWrapper {
 public:
  UniqueIDWrapper();
  UniqueIDWrapper(std::uintptr_t mem);
  UniqueIDWrapper(const UniqueIDWrapper& other);
  UniqueIDWrapper& operator=(UniqueIDWrapper rhs);
  ~UniqueIDWrapper();

  OnlinePlatform GetPlatform() const;
  std::string GetEpicAccountID() const;
  unsigned long long GetUID() const;
  unsigned char GetSplitscreenID() const;
  std::string str() const;
  std::string GetIdString() const;
  static UniqueIDWrapper FromEpicAccountID(std::string epicAccountID, unsigned long long uid,
                                           OnlinePlatform platform,
                                           unsigned char splitscreenID = 0);

  bool operator<(const UniqueIDWrapper& other) const;
  bool operator==(const UniqueIDWrapper& other) const;
  bool operator!=(const UniqueIDWrapper& other) const;

 private:
  void* memory_;  // the host's object behind the wrapper
};

class BAKKESMOD_PLUGIN_IMPORT CVarWrapper {
 public:
  explicit CVarWrapper() = delete;
  CVarWrapper(const CVarWrapper& other);
  CVarWrapper& operator=(CVarWrapper rhs);
  ~CVarWrapper();
  void bindTo(std::shared_ptr<bool> cell);
  void bindTo(std::shared_ptr<float> cell);
  void addOnValueChanged(std::function<void(std::string, CVarWrapper)> callback);
  bool getBoolValue();
  std::string getStringValue();

 private:
  void* memory_;  // the host's object behind the wrapper
};

// A plain function converts from a lambda that captures nothing as std::function does: such a
// lambda given to registerNotifier is ambiguous.
typedef void (*commandNotifier)(std::vector<std::string>);

class BAKKESMOD_PLUGIN_IMPORT CVarManagerWrapper {
 public:
  explicit CVarManagerWrapper() = delete;
  CVarManagerWrapper(const CVarManagerWrapper& other);
  CVarManagerWrapper& operator=(CVarManagerWrapper rhs);
  ~CVarManagerWrapper();
  CVarWrapper registerCvar(std::string name, std::string defaultValue, std::string description = "",
                           bool searchable = true, bool hasMinimum = false, float minimum = 0,
                           bool hasMaximum = false, float maximum = 0, bool saved = true);
  CVarWrapper getCvar(std::string name);
  void registerNotifier(std::string name, std::function<void(std::vector<std::string>)> callback,
                        std::string description, unsigned char permissions);
  void registerNotifier(std::string name, commandNotifier callback, std::string description,
                        unsigned char permissions);
  void executeCommand(std::string command, bool log = true);

 private:
  void* memory_;  // the host's object behind the wrapper
};

// A struct, not a class: the host's compiler names the two differently.
struct BAKKESMOD_PLUGIN_IMPORT MMRNotifierToken {
 public:
  ~MMRNotifierToken();
  MMRNotifierToken(const MMRNotifierToken&) = delete;
  MMRNotifierToken& operator=(const MMRNotifierToken&) = delete;
  MMRNotifierToken(MMRNotifierToken&&) noexcept = default;
  MMRNotifierToken& operator=(MMRNotifierToken&&) noexcept = default;

 private:
  explicit MMRNotifierToken(unsigned long long t);
  unsigned long long token;
  friend class MMRWrapper;
};

class BAKKESMOD_PLUGIN_IMPORT MMRWrapper {
 public:
  explicit MMRWrapper() = delete;
  MMRWrapper(const MMRWrapper& other);
  MMRWrapper& operator=(MMRWrapper rhs);
  ~MMRWrapper();
  std::unique_ptr<MMRNotifierToken> RegisterMMRNotifier(
      std::function<void(UniqueIDWrapper)> callback);
  int GetCurrentPlaylist();
  bool IsSyncing(UniqueIDWrapper id);
  bool IsSynced(UniqueIDWrapper id, int playlist);
  float GetPlayerMMR(UniqueIDWrapper id, int playlist);

 private:
  void* memory_;  // the host's object behind the wrapper
};

class BAKKESMOD_PLUGIN_IMPORT GameWrapper {
 public:
  explicit GameWrapper() = delete;
  GameWrapper(const GameWrapper& other);
  GameWrapper& operator=(GameWrapper rhs);
  ~GameWrapper();
  void HookEvent(std::string eventName, std::function<void(std::string)> callback);
  void UnhookEvent(std::string eventName);
  void SetTimeout(std::function<void(GameWrapper*)> callback, float seconds);
  void Execute(std::function<void(GameWrapper*)> callback);
  UniqueIDWrapper GetUniqueID();
  MMRWrapper GetMMRWrapper();

 private:
  void* memory_;  // the host's object behind the wrapper
};

namespace BakkesMod::Plugin {

// The host reads it by layout: 64 bytes, the same offsets whether unsigned long is 4 bytes wide
// (Windows) or 8.
struct PluginInfo {
  short apiBuildVersion;
  const char* fileName;
  const char* className;
  const char* pluginName;
  const char* pluginVersion;
  const unsigned long pluginType;
  std::uintptr_t (*factory)();
  void (*release)();
};

class BAKKESMOD_PLUGIN_EXPORT BakkesModPlugin {
 public:
  std::shared_ptr<CVarManagerWrapper> cvarManager;
  std::shared_ptr<GameWrapper> gameWrapper;

  virtual void onLoad() {}
  virtual void onUnload() {}
};

}  // namespace BakkesMod::Plugin
