#pragma once

// The rankwatch plugin: keeps the local player's ranked session tally by watching the rating
// move, and shows it in a four-line overlay window.
//
// Index of the class's parts, one file each:
//   host_sdk.h          the host's SDK: the stand-in or the published one, and what differs
//   module.cpp          library exports, the holder of the one plugin object
//   plugin_base.cpp     the exported base part the host knows (the stand-in's only)
//   lifeline.h/.cpp     guards callbacks that outlive the object or its unload
//   library.h/.cpp      references to the library, and keeping it loaded for good
//   load_unload.cpp     onLoad: settings, commands, hooks, notification; the change handlers;
//                       onUnload, which undoes what can be undone
//   tally.cpp           addWin, addLoss, resetTally, applyMmr
//   match_events.cpp    the game-event and rating-notification handlers
//   rating_refresh.cpp  refreshMmr: playlist rule and the host's rating service
//   playlists.h         which playlists are tracked
//   web_lookup.h/.cpp   the web profile lookup: job, workers, request and reply hand-over
//   web_reply.h/.cpp    reading the web stats service's profile reply
//   workers.h/.cpp      the library's own threads, each holding the library until it has left
//   overlay.cpp         the window operations and renderWindow
//   settings_page.cpp   the page in the host's plugins tab: renderSettings, getPluginName
//   handover.h          what the game thread hands the render thread to draw

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "handover.h"
#include "host_sdk.h"

namespace lifeline {
class Line;
}

// Every operation runs on the host's game thread unless it says otherwise. Shared values are
// created by onLoad; nothing that reads one may run before it.
//
// The host draws on a render thread of its own (renderWindow and the per-frame questions) while
// the game thread changes the tally. The window therefore never reads the tally's cells: the
// tally's operations publish what it shows after each change (publishTally), and the window
// takes the newest copy. windowOpen is atomic, since the host may open and close the window from
// either thread and the GUI library clears it while drawing. The settings' cells: hostCell.
//
// The settings page draws on the render thread too. It changes nothing itself: each change goes
// to the game thread as a console line, so the host's handlers run and the setting is saved.
class rankwatch : public BakkesMod::Plugin::BakkesModPlugin,
                  public sdk::Window,
                  public sdk::SettingsWindow {
 public:
  rankwatch();
  ~rankwatch();
  rankwatch(const rankwatch&) = delete;
  rankwatch& operator=(const rankwatch&) = delete;

  void onLoad() override;
  void onUnload() override;
  virtual void addWin();
  virtual void addLoss();
  virtual void resetTally();
  virtual void onMmrNotification(UniqueIDWrapper id);
  virtual void onMatchEnded(std::string eventName);
  virtual void onGameDestroyed(std::string eventName);
  virtual void onGameStart(std::string eventName);
  virtual void refreshMmr(int attempts);
  virtual void applyMmr(float mmr);

  // The overlay window. Against the published SDK the host calls these by its own slot names,
  // which sdk::Window forwards here. renderWindow, shouldBlockInput and isActiveOverlay run on
  // the host's render thread; onOpen and onClose on whichever thread the host opens windows on.
  void renderWindow() override;
  std::string getMenuName() override;
  std::string getMenuTitle() override;
  void setImGuiContext(std::uintptr_t context) override;
  bool shouldBlockInput() override;
  bool isActiveOverlay() override;
  void onOpen() override;
  void onClose() override;

  // The settings page, on the host's render thread; setImGuiContext above serves it too.
  void renderSettings() override;
  std::string getPluginName() override;

  std::shared_ptr<bool> enabled;
  std::shared_ptr<bool> singleQueue;
  std::shared_ptr<bool> roundMmr;
  std::shared_ptr<float> scale;
  std::shared_ptr<float> opacity;
  std::shared_ptr<std::string> trackingMethod;
  std::shared_ptr<bool> autoResize;
  std::unique_ptr<MMRNotifierToken> mmrNotifierToken;
  std::shared_ptr<int> trackedPlaylist;
  std::shared_ptr<float> currentMmr;
  std::shared_ptr<int> wins;
  std::shared_ptr<int> losses;
  std::shared_ptr<int> streak;
  std::shared_ptr<float> mmrChange;
  std::atomic<bool> windowOpen;
  std::string menuTitle;

  // Hands the tally as it stands to the window; the tally's operations call it after each change.
  void publishTally();

  // The line every callback of this load holds (lifeline.h); empty before onLoad. Any thread.
  std::shared_ptr<lifeline::Line> line() const;

 private:
  // What the window shows of the tally.
  struct ShownTally {
    float mmrChange;
    int streak;
    int wins;
    int losses;
  };

  void enabledChangedHandler(CVarWrapper cvar);
  void trackingMethodChangedHandler(CVarWrapper cvar);
  void issueMenuCommand(const char* word);
  // The tally's four coloured parts, as the overlay shows them; on one line for the page.
  void drawTally(const ShownTally& shown, bool oneLine);
  // Runs the console line on the game thread; from the render thread.
  void runOnGameThread(std::string line);
  // The settings' cells are the host's (bindTo): the host writes them on its game thread and
  // the SDK gives the window no other way to read them. Every read of one goes through here,
  // which the thread sanitizer's suppressions name.
  template <typename T>
  static T hostCell(const std::shared_ptr<T>& cell) {
    return *cell;
  }
  // onUnload, last (module.cpp): when the host owns this object besides the holder, the holder
  // lets go, so the object ends on the host's thread when the host lets go, with or without the
  // release, and a later getPlugin makes a fresh one. Otherwise the holder keeps it.
  void leaveToHost();

  Handover<ShownTally> shownTally_;
  // Replaced by each onLoad on the game thread; read from any thread through line().
  std::shared_ptr<lifeline::Line> line_;
  // A frame asked the game thread to close the window, and the host has not answered (onOpen,
  // onClose): later frames ask no more, or a second toggle would open it again.
  std::atomic<bool> closeAsked_{false};
  // The two settings the plugin keeps in cells of its own, as the page shows them: written on
  // the game thread by onLoad and their handlers.
  std::atomic<bool> shownEnabled_{false};
  std::atomic<bool> shownWeb_{false};
  // The page's sliders while held (settings_page.cpp); render thread only.
  std::optional<float> heldScale_;
  std::optional<float> heldOpacity_;
};
