#pragma once

// The stand-in host: console, game thread, GUI and plugins, wired together, and the SDK's
// backend that plugins reach through their wrappers. The world outside the host (the clock
// and the rating service) is handed in, so a fresh host can start in the same world.
//
// Index of the host's files (thread: where their code runs; "game" is the host's main thread):
//   host.h/.cpp            the wiring, settings and built-in commands                     game
//   sdk_backend.cpp        the SDK's backend: each plugin call, handed to the part below   any
//   plugins.h/.cpp         load, adopt, start and the ways of unloading                   game
//   plugin_slot.h          one loaded plugin, and how plugin code is run                  game
//   plugin_threads.h/.cpp  the thread onLoad and onUnload run on, and the wait for it     game
//   tombstones.h/.cpp      slots of unloaded plugins, kept so that a late call is told    any
//   game_turn.h/.cpp       the game thread's hold on the host's state, and its plugin code any
//   plugin_code.h/.cpp     a library's load, and callables kept past its close             any
//   loader.h/.cpp          opening libraries and reading their record                     any
//   web_routing.h/.cpp     plugins' requests on their way to the HTTP client              any
//   console.h/.cpp         console variables and commands                                 game
//   config_file.h/.cpp     config.cfg                                                     game
//   game_thread.h/.cpp     hooks, timers and posted callbacks                             game
//   rating_service.h/.cpp  the game's ratings and the local player                        game
//   clock.h/.cpp           game time                                                      any
//   output.h/.cpp          every line the host prints                                     any
//   replace_file.h/.cpp    writing a file whole or not at all                             any
//   gui/                   the GUI: windows, frames, text, pictures; the render thread    render
//   net/                   the HTTP client (curl, WinHTTP) and the local stats service   http
//   script/                the command line, scenarios, their statements, terminal runs  game
//   main.cpp               the program
// How one SDK call travels through them: docs/inside.md.

#include <atomic>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "clock.h"
#include "console.h"
#include "game_thread.h"
#include "game_turn.h"
#include "gui/gui.h"
#include "hostsdk/backend.h"
#include "net/http_client.h"
#include "output.h"
#include "plugin_slot.h"
#include "plugins.h"
#include "rating_service.h"
#include "web_routing.h"

namespace host {

class Host final : public hostsdk::Backend {
 public:
  // Reads the saved settings of `configFolder` and installs itself as the SDK's backend.
  Host(Output& output, Clock& clock, RatingService& ratings, std::filesystem::path configFolder);
  // Shuts down if that has not happened yet.
  ~Host() override;
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // One GUI frame, drawn on the render thread while the game thread waits, then what it handed
  // the game thread (GameWrapper::Execute); returns the text lines the plugin windows drew.
  std::vector<std::string> frame();

  Console& console() { return console_; }
  GameThread& game() { return game_; }
  Gui& gui() { return gui_; }
  PluginCalls& calls() { return calls_; }
  HttpClient& http() { return http_; }
  Plugins& plugins() { return plugins_; }
  WebRouting& web() { return web_; }
  GameTurn& turn() { return turn_; }
  // Whether the host came to call into a closed library that was gone (plugin_code.h).
  bool calledClosedLibrary() const { return plugins_.closedCalls().called.load() > 0; }
  // SDK calls made by plugins after their onUnload had returned, each told as an error.
  int lateCalls() const { return lateCalls_.load(); }
  // From now on GameWrapper::Execute, called from a thread other than the game thread, waits
  // until the game thread runs no plugin code before it takes the callable, as a host may.
  void setExecuteWaits(bool waits) { executeWaits_.store(waits); }

  // Where `plugin load <name>` looks for a library named without a folder.
  void setPluginFolder(std::filesystem::path folder) { pluginFolder_ = std::move(folder); }

  bool saveConfig(std::string& error);
  // Unloads every plugin and saves the settings and the window places; false, once told, when
  // saving failed. Shutting down cuts send delays short.
  bool shutdown();

  // SDK calls made by plugins since the last reset.
  long callsMade() const { return callsMade_.load(); }
  void resetCalls() { callsMade_.store(0); }

  // hostsdk::Backend
  void noteCall(const std::function<std::string()>& describe) override;
  hostsdk::Variable* registerCvar(PluginSlot* owner,
                                  const hostsdk::CvarDeclaration& declared) override;
  hostsdk::Variable* findCvar(PluginSlot* owner, const std::string& name) override;
  std::string cvarName(PluginSlot* owner, const hostsdk::Variable* variable) override;
  std::string cvarValue(PluginSlot* owner, const hostsdk::Variable* variable) override;
  void setCvar(PluginSlot* owner, hostsdk::Variable* variable, const std::string& value) override;
  void bindCvar(PluginSlot* owner, hostsdk::Variable* variable, hostsdk::Cell cell) override;
  void addCvarListener(PluginSlot* owner, hostsdk::Variable* variable,
                       hostsdk::ChangeCallback callback) override;
  void registerCommand(PluginSlot* owner, const std::string& name,
                       hostsdk::CommandCallback callback, const std::string& description,
                       unsigned char permissions) override;
  void executeCommand(PluginSlot* owner, const std::string& line, bool log) override;
  void hookEvent(PluginSlot* owner, const std::string& name,
                 hostsdk::HookCallback callback) override;
  void unhookEvent(PluginSlot* owner, const std::string& name) override;
  void setTimeout(PluginSlot* owner, hostsdk::GameCallback callback, float seconds) override;
  void execute(PluginSlot* owner, hostsdk::GameCallback callback) override;
  UniqueIDWrapper localPlayer(PluginSlot* owner) override;
  std::uint64_t addRatingListener(PluginSlot* owner, hostsdk::RatingCallback callback) override;
  void removeRatingListener(std::uint64_t registration) override;
  int currentPlaylist(PluginSlot* owner) override;
  bool isSyncing(PluginSlot* owner, const UniqueIDWrapper& id) override;
  bool isSynced(PluginSlot* owner, const UniqueIDWrapper& id, int playlist) override;
  float playerRating(PluginSlot* owner, const UniqueIDWrapper& id, int playlist) override;
  void sendJsonRequest(const void* caller, CurlRequest request,
                       hostsdk::ReplyCallback callback) override;

 private:
  void addBuiltins();
  void menuCommand(const std::vector<std::string>& words);
  void pluginCommand(const std::vector<std::string>& words);
  // True, having said so, when plugin code on the render thread makes an SDK call that reaches
  // the game: the game would crash on it; GameWrapper::Execute hands such work over.
  bool refusedOnRenderThread(const char* call);
  // True, having said so, when `owner` calls after its onUnload has returned (exit status 5).
  bool lateCall(const PluginSlot* owner, const char* call);
  void tellLate(const std::string& plugin, const char* call);
  // Both of the above.
  bool refused(const PluginSlot* owner, const char* call) {
    return refusedOnRenderThread(call) || lateCall(owner, call);
  }

  Output& output_;
  Clock& clock_;
  RatingService& ratings_;
  std::filesystem::path configFolder_;
  std::filesystem::path pluginFolder_ = ".";
  std::vector<std::string> configLines_;  // the config file as last read or written
  GameTurn turn_;                         // first: the game thread holds it from the start
  PluginCalls calls_;
  Console console_;
  GameThread game_;
  Gui gui_;
  HttpClient http_;
  Plugins plugins_;
  WebRouting web_;
  std::atomic<long> callsMade_{0};
  std::atomic<int> lateCalls_{0};
  std::atomic<bool> executeWaits_{false};
  bool shutDown_ = false;
};

}  // namespace host
