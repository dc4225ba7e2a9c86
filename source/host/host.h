#pragma once

// The stand-in host: console, game thread, GUI and plugins, wired together, and the SDK's
// backend that plugins reach through their wrappers. The world outside the host (the clock
// and the rating service) is handed in, so a fresh host can start in the same world.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "clock.h"
#include "console.h"
#include "game_thread.h"
#include "gui/gui.h"
#include "hostsdk/backend.h"
#include "net/http_client.h"
#include "output.h"
#include "plugin_code.h"
#include "plugin_slot.h"
#include "rating_service.h"

namespace host {

class Host final : public hostsdk::Backend {
 public:
  // Reads the saved settings of `configFolder` and installs itself as the SDK's backend.
  Host(Output& output, Clock& clock, RatingService& ratings, std::filesystem::path configFolder);
  // Shuts down if that has not happened yet.
  ~Host() override;
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // One GUI frame, drawn on the render thread while the game thread waits for it, then what
  // the frame handed to the game thread (a window's GameWrapper::Execute); returns the text
  // lines the plugin windows drew.
  std::vector<std::string> frame();

  Console& console() { return console_; }
  GameThread& game() { return game_; }
  Gui& gui() { return gui_; }
  PluginCalls& calls() { return calls_; }
  HttpClient& http() { return http_; }

  // Requests to the public stats service go to `base` (scheme, host and port) instead; empty:
  // to the service itself. `standsIn`: the base plays the service (the local stats service),
  // so the host's lines name the service's URL; otherwise they name the URL actually asked.
  void setStatsUrl(const std::string& base, bool standsIn = true);

  // Opens a plugin library, makes its object and loads it. False, with a one-line reason,
  // for a library that is not a plugin or a plugin already loaded.
  bool load(const std::string& path, std::string& error);
  // Loads a plugin object made in this process (no library behind it).
  PluginSlot* adopt(const std::string& name,
                    std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> plugin);
  // How a plugin is let go, as flags. Every way clears the plugin's console variables,
  // commands and windows, calls onUnload, lets go of the host's owner and closes the library.
  enum class Unload : unsigned {
    Whole = 0,           // the release function is called, and everything else is dropped
    WithoutRelease = 1,  // the release function is not: the library's own unload ends the object
    Keeping = 2,         // hooks, rating registrations, timers, posted callables and requests
                         // with their replies are kept, and called as they come due
    HolderOnly = 4,      // the host lets go of its owner first and reaches the object only
                         // through the library's holder, as a host that never took one
  };
  // The way the words after the plugin's name give: none, or any of "without-release",
  // "keeping" and "holder-only", each once; nothing for any other words.
  static std::optional<Unload> unloadNamed(const std::vector<std::string>& words);
  // Asked from inside plugin code, it happens at the game thread's next turn.
  bool unload(const std::string& name, std::string& error, Unload how = Unload::Whole);
  PluginSlot* plugin(const std::string& name);
  std::vector<std::string> pluginNames() const;

  // Where `plugin load <name>` looks for a library named without a folder.
  void setPluginFolder(std::filesystem::path folder) { pluginFolder_ = std::move(folder); }

  bool saveConfig(std::string& error);
  // Unloads every plugin and saves the settings and the window places; false, once told, when
  // saving failed.
  bool shutdown();

  // Web requests plugins have sent since the host started, each counted once the HTTP client
  // holds it (or has refused it). Any thread.
  long requestsSent() const { return requestsSent_.load(); }

  // Whether the host came to call something of a library it had closed, and that library was
  // gone (plugin_code.h): a real host would have crashed.
  bool calledClosedLibrary() const { return closedCalls_->called.load() > 0; }

  // A plugin's request call waits `delay` of real time before the host takes the request, as a
  // host whose request call blocks; calls already waiting follow the new delay, and zero ends
  // their wait. Shutting down cuts the delays short.
  void setSendDelay(std::chrono::milliseconds delay);
  // Request calls of plugins inside the host now, but for those held by the delay. Any thread.
  int requestCallsUnderWay() const;

  // SDK calls made by plugins since the last reset.
  long callsMade() const { return callsMade_.load(); }
  void resetCalls() { callsMade_.store(0); }

  // hostsdk::Backend
  void noteCall(const std::function<std::string()>& describe) override;
  hostsdk::Variable* registerCvar(PluginSlot* owner,
                                  const hostsdk::CvarDeclaration& declared) override;
  hostsdk::Variable* findCvar(const std::string& name) override;
  std::string cvarName(const hostsdk::Variable* variable) override;
  std::string cvarValue(const hostsdk::Variable* variable) override;
  void setCvar(hostsdk::Variable* variable, const std::string& value) override;
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
  UniqueIDWrapper localPlayer() override;
  std::uint64_t addRatingListener(PluginSlot* owner, hostsdk::RatingCallback callback) override;
  void removeRatingListener(std::uint64_t registration) override;
  int currentPlaylist() override;
  bool isSyncing(const UniqueIDWrapper& id) override;
  bool isSynced(const UniqueIDWrapper& id, int playlist) override;
  float playerRating(const UniqueIDWrapper& id, int playlist) override;
  void sendJsonRequest(const void* caller, CurlRequest request,
                       hostsdk::ReplyCallback callback) override;

 private:
  PluginSlot* start(std::unique_ptr<PluginSlot> slot);
  void addBuiltins();
  void menuCommand(const std::vector<std::string>& words);
  void pluginCommand(const std::vector<std::string>& words);
  // Who made a call from `address`: a loaded plugin, a load the host has closed, or neither (the
  // host's own code, or a library it never loaded). With sharedMutex_ held.
  struct Caller {
    const PluginSlot* plugin = nullptr;  // an identity only: the slot may go meanwhile
    std::string name;
    // The load the call came from, when it is one the host knows: a plugin loaded now, or one
    // it has closed.
    std::shared_ptr<PluginCode> code;
  };
  Caller callerAt(const void* address) const;
  void waitSendDelay();
  // The plugin's callable as the host keeps it (plugin_code.h).
  template <typename Callable>
  Callable kept(const PluginSlot* owner, Callable call, const char* what);
  // Where a request for `url` goes, and the URL the host's lines name for it.
  std::string routed(const std::string& url, std::string& named) const;
  // True, having said so, when plugin code on the render thread makes an SDK call that reaches
  // the game: the game would crash on it; GameWrapper::Execute hands such work over.
  bool refusedOnRenderThread(const char* call);

  Output& output_;
  Clock& clock_;
  RatingService& ratings_;
  std::filesystem::path configFolder_;
  std::filesystem::path pluginFolder_ = ".";
  std::vector<std::string> configLines_;  // the config file as last read or written
  PluginCalls calls_;
  Console console_;
  GameThread game_;
  Gui gui_;
  std::vector<std::unique_ptr<PluginSlot>> plugins_;
  HttpClient http_;
  // Read from the threads that send requests: each plugin library, from load until it is
  // closed, and where the stats service's requests go.
  mutable std::mutex sharedMutex_;
  struct Loaded {
    std::shared_ptr<PluginCode> code;
    PluginSlot* slot;  // null once the host has closed it
  };
  std::vector<Loaded> libraries_;
  std::string statsUrl_;
  bool statsStandsIn_ = true;
  std::atomic<long> callsMade_{0};
  std::atomic<long> requestsSent_{0};
  std::atomic<int> requestCallsInside_{0};
  mutable std::mutex sendMutex_;
  std::condition_variable sendWake_;
  std::chrono::milliseconds sendDelay_{0};
  int requestCallsDelayed_ = 0;
  bool closing_ = false;  // cuts send delays short
  std::shared_ptr<ClosedCalls> closedCalls_;
  const std::thread::id gameThread_ = std::this_thread::get_id();
  // One for each plugin unloaded with `keeping`: what the host kept of it is theirs.
  std::vector<std::unique_ptr<PluginSlot>> unloaded_;
  bool shutDown_ = false;
};

}  // namespace host
