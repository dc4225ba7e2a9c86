#pragma once

// The rankwatch plugin: keeps the local player's ranked session tally by watching the rating
// move, and shows it in a four-line overlay window.
//
// Index of the class's parts, one file each:
//   host_sdk.h          the host's SDK: the stand-in or the published one, and what differs
//   names.h             texts the library, its record and its window share
//   module.cpp          library exports, the holder of the one plugin object
//   rankwatch.cpp       the object's construction and destruction
//   plugin_base.cpp     the exported base part the host knows (the stand-in's only)
//   lifeline.h/.cpp     guards callbacks that come before onLoad has ended or after the unload
//   library.h/.cpp      references to the library, and keeping it loaded for good
//   load_unload.cpp     onLoad: settings, commands, hooks, notification; the change handlers;
//                       onUnload, which undoes what can be undone
//   tally.cpp           addWin, addLoss, resetTally, applyMmr
//   match_events.cpp    the game-event and rating-notification handlers
//   rating_refresh.cpp  refreshMmr: playlist rule and the host's rating service
//   playlists.h         which playlists are tracked
//   web_lookup.h/.cpp   the web profile lookup: job, workers, request and reply
//   web_reply.h/.cpp    reading the web stats service's profile reply
//   workers.h/.cpp      the library's own threads, each holding the library until it has left
//   shown.h             what the window and the page draw, handed to the render thread
//   handover.h          a value handed from thread to thread without a lock
//   overlay.cpp         the window operations and renderWindow
//   settings_page.cpp   the page in the host's plugins tab: renderSettings, getPluginName

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <mutex>

#include "host_sdk.h"
#include "shown.h"

namespace lifeline {
class Line;
}

// Every operation runs on the host's game thread unless it says otherwise. Shared values are
// created by onLoad; nothing that reads one may run before it. onLoad and onUnload may run on a
// thread of the host's own while the game thread goes on: no callback reaches the object until
// onLoad has ended, and none after onUnload has begun to cut (lifeline.h).
//
// The host draws on a render thread of its own (renderWindow, renderSettings and the per-frame
// questions) while the game thread changes the tally and the host writes the settings' cells.
// The render thread reads none of those cells: whoever changes what is shown publishes it
// (shown.h), the settings from their change handlers. windowOpen is atomic, since the host may
// open and close the window from either thread and the GUI library clears it while drawing.
//
// A web reply's rating is applied on the reply's thread, under the tally's lock: the tally's
// operations take it, and nothing under it calls the host, so no thread waits for another there.
//
// The settings page changes nothing itself: each change goes to the game thread as a console
// line, so the host's handlers run and the setting is saved.
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

  // Hands what is shown (the tally and the settings, from their cells) to the render thread.
  // Game thread.
  void publish();

  // The line every callback of this load holds (lifeline.h); empty before onLoad. Any thread.
  std::shared_ptr<lifeline::Line> line() const;

 private:
  void enabledChangedHandler(bool on);
  void trackingMethodChangedHandler(std::string method);
  // A load that turned callbacks away while it was under way: what they would have done.
  void catchUp();
  void issueMenuCommand(const char* word);
  // The tally as its cells hold it; with the tally's lock held.
  void publishTally();
  // The tally's four coloured parts, as the overlay shows them; on one line for the page.
  static void drawTally(const Shown& shown, bool oneLine);
  // Runs the console line on the game thread; from the render thread.
  void runOnGameThread(std::string line);
  // onUnload, last (module.cpp): when the host owns this object besides the holder, the holder
  // lets go, so the object ends on the host's thread when the host lets go, with or without the
  // release, and a later getPlugin makes a fresh one. Otherwise the holder keeps it.
  void leaveToHost();

  // The tally's cells change on the game thread and on a reply's; its operations call one
  // another (applyMmr calls addWin), hence recursive.
  std::recursive_mutex tallyMutex_;
  ShownBoard shown_;
  // Replaced by each onLoad; read from any thread through line().
  std::shared_ptr<lifeline::Line> line_;
  // A frame asked the game thread to close the window, and the host has not answered (onOpen,
  // onClose): later frames ask no more, or a second toggle would open it again.
  std::atomic<bool> closeAsked_{false};
  // The page's sliders while held, and the load they belong to (settings_page.cpp); render
  // thread only.
  std::optional<float> heldScale_;
  std::optional<float> heldOpacity_;
  unsigned pageLoad_ = 0;
};
