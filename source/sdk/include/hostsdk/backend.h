#pragma once

// The host's side of the SDK. Plugins never include this: the SDK's wrappers forward every
// call to the one Backend the host installs, naming the plugin that made it.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "hostsdk/cvar.h"
#include "hostsdk/export.h"
#include "hostsdk/game.h"
#include "hostsdk/http.h"
#include "hostsdk/unique_id.h"

namespace hostsdk {

struct PluginSlot;  // defined by the host: one loaded plugin
struct Variable;    // defined by the host: one console variable

struct CvarDeclaration {
  std::string name;
  std::string defaultValue;
  std::string description;
  bool listed = true;
  bool hasMinimum = false;
  float minimum = 0.0f;
  bool hasMaximum = false;
  float maximum = 0.0f;
  bool saved = true;
};

using Cell = std::variant<std::shared_ptr<bool>, std::shared_ptr<float>, std::shared_ptr<int>,
                          std::shared_ptr<std::string>>;
using CommandCallback = std::function<void(std::vector<std::string>)>;
using ChangeCallback = std::function<void(std::string, CVarWrapper)>;
using HookCallback = std::function<void(std::string)>;
using GameCallback = std::function<void(GameWrapper*)>;
using RatingCallback = std::function<void(UniqueIDWrapper)>;
using ReplyCallback = std::function<void(int, std::string)>;

class Backend {
 public:
  virtual ~Backend() = default;

  // Every SDK call a plugin makes is reported here; `describe` formats it only when wanted.
  // May be called from any thread. Every call below names the plugin that makes it (`owner`,
  // the slot its wrapper carries), but for the rating token's end and requests (`caller`).
  virtual void noteCall(const std::function<std::string()>& describe) = 0;

  // Console.
  virtual Variable* registerCvar(PluginSlot* owner, const CvarDeclaration& declared) = 0;
  virtual Variable* findCvar(PluginSlot* owner, const std::string& name) = 0;
  virtual std::string cvarName(PluginSlot* owner, const Variable* variable) = 0;
  virtual std::string cvarValue(PluginSlot* owner, const Variable* variable) = 0;
  virtual void setCvar(PluginSlot* owner, Variable* variable, const std::string& value) = 0;
  virtual void bindCvar(PluginSlot* owner, Variable* variable, Cell cell) = 0;
  virtual void addCvarListener(PluginSlot* owner, Variable* variable, ChangeCallback callback) = 0;
  virtual void registerCommand(PluginSlot* owner, const std::string& name, CommandCallback callback,
                               const std::string& description, unsigned char permissions) = 0;
  virtual void executeCommand(PluginSlot* owner, const std::string& line, bool log) = 0;

  // Game thread.
  virtual void hookEvent(PluginSlot* owner, const std::string& name, HookCallback callback) = 0;
  virtual void unhookEvent(PluginSlot* owner, const std::string& name) = 0;
  virtual void setTimeout(PluginSlot* owner, GameCallback callback, float seconds) = 0;
  virtual void execute(PluginSlot* owner, GameCallback callback) = 0;  // any thread

  // Player and rating service.
  virtual UniqueIDWrapper localPlayer(PluginSlot* owner) = 0;
  virtual std::uint64_t addRatingListener(PluginSlot* owner, RatingCallback callback) = 0;
  virtual void removeRatingListener(std::uint64_t registration) = 0;
  virtual int currentPlaylist(PluginSlot* owner) = 0;
  virtual bool isSyncing(PluginSlot* owner, const UniqueIDWrapper& id) = 0;
  virtual bool isSynced(PluginSlot* owner, const UniqueIDWrapper& id, int playlist) = 0;
  virtual float playerRating(PluginSlot* owner, const UniqueIDWrapper& id, int playlist) = 0;

  // HTTP: any thread. `caller` is an address in the code that sent the request: the host
  // tells by it which plugin's library the reply's callback lives in.
  virtual void sendJsonRequest(const void* caller, CurlRequest request, ReplyCallback callback) = 0;
};

// The host installs its backend before it loads a plugin and removes it (nullptr) before it
// goes away; SDK calls made while none is installed do nothing and return empty values.
// Removing it waits for the calls made from other threads (a plugin's request, an Execute) that
// are inside it still: the host must have made them return by then.
HOSTSDK_API void installBackend(Backend* backend);
HOSTSDK_API Backend* installedBackend();

// A call counts as made when the plugin makes it, not when the host looks at it: the SDK notes
// how many plugins' onUnloads had returned as each call comes in, on the calling thread. The host
// marks a plugin's onUnload as returned (`mark` then holds that count, from 1 on), and a call is
// one too many when callEnteredAt() has reached its mark.
HOSTSDK_API void markUnloaded(std::atomic<std::uint64_t>& mark);
HOSTSDK_API std::uint64_t callEnteredAt();

}  // namespace hostsdk
