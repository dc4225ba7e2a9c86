#pragma once

// The host's GUI: it owns the one GUI context, keeps each plugin window's open state by menu
// name, and draws a frame: the game screen, every open plugin window once, then the plugins
// tab when it is open: the host's "Plugins" window with one plugin's settings page. What a plugin
// window wrote is captured from the shared context as text lines. Window places are kept in
// gui.ini in the config folder (gui_ini.h), and every window is kept on the screen.
//
// All of it lives on the render thread (gui/render_thread.h): the GUI context, the pictures'
// OpenGL contexts and every window operation of a plugin (setImGuiContext and getMenuName when
// it is added, onOpen and onClose, renderWindow and the per-frame questions). The calls below
// come from the game thread, which hands each one over and waits for it.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clock.h"
#include "gui/image.h"
#include "gui/render_thread.h"
#include "output.h"
#include "plugin_slot.h"

struct ImGuiContext;
struct ImGuiItemHooks;

namespace host {

class HeadlessRenderer;
class LiveWindow;

class Gui {
 public:
  static constexpr int kScreenWidth = 1280;
  static constexpr int kScreenHeight = 720;

  // `iniFile`: where the GUI keeps window positions; empty keeps none.
  Gui(Output& output, const Clock& clock, const std::string& iniFile);
  ~Gui();
  Gui(const Gui&) = delete;
  Gui& operator=(const Gui&) = delete;

  ImGuiContext* context() const { return context_; }

  // Hands the context to the plugin's window and settings page and keeps them, closed.
  void add(PluginSlot* owner);
  void forget(const PluginSlot* owner);

  // A menu command (togglemenu, openmenu or closemenu) on the window of that menu name; false
  // when there is none.
  bool menuCommand(const std::string& command, const std::string& menu);
  // The menu names of the plugin windows, or of those open.
  std::vector<std::string> menus(bool openOnly = false) const;

  // Opens the plugins tab on the page of the plugin loaded as `plugin`; false, with the
  // reason, when no such plugin offers one. closeSettings() closes the tab.
  bool showSettings(const std::string& plugin, std::string& error);
  void closeSettings();

  // A scripted mouse as the next frame finds it: at x, y on the screen, its left button down or
  // not, and, with the button up, its wheel turned by `wheel` steps (up is positive). Every
  // frame keeps it, the live window's own too, while its button is down; from the frame after
  // one with the button up, a person's mouse in the live window has its say again.
  struct Mouse {
    float x = 0.0f, y = 0.0f;
    bool down = false;
    float wheel = 0.0f;
  };
  void setMouse(const Mouse& mouse);

  // One frame, as a player sees it, drawn again at the same moment while its windows settle
  // (gui_frame.cpp); returns the text lines the plugin windows drew, in order.
  std::vector<std::string> frame();
  // From now on the render thread also draws `perSecond` frames a second on its own, in real
  // time, while the game thread goes on; 0 stops that.
  void setRate(int perSecond) { render_->setRate(perSecond); }
  // Whether the caller is the render thread: any thread.
  bool onRenderThread() const { return render_->isCurrent(); }
  // The plugin whose window operation runs now; render thread only.
  const PluginSlot* calling() const { return calling_; }
  // Runs `work` on the render thread and waits for it: to look into the GUI context, or to
  // draw frames there without handing each one over.
  void run(const std::function<void()>& work) { render_->run(work); }

  // Shows every frame in a window on the screen from now on. False, with the reason, when
  // there is no display.
  bool openLiveWindow(std::string& error);
  // How the live window ended, once it has: closed by the user, or its display gone (with the
  // reason in liveWindowLost()). Open while it shows, and with none. Any thread.
  enum class LiveWindowEnd { Open, Closed, DisplayLost };
  LiveWindowEnd liveWindowEnd() const { return liveEnd_; }
  const std::string& liveWindowLost() const { return liveLost_; }

  // Writes the window places to gui.ini now, as at the end of a run; false, with the reason,
  // when the file could not be written, which then stays as it was.
  bool savePlaces(std::string& error);

  // A PNG file of the last frame, or of a part of it within the screen: what the live window
  // shows, or, with none, the frame rendered off-screen at the game-screen size.
  bool screenshot(const std::string& path, const std::optional<Region>& part, std::string& error);

  // Gives a window that does not size itself that size, as a drag on its corner would. False,
  // with the reason, for no window of that title or one that fits what it holds.
  bool resize(const std::string& title, int width, int height, std::string& error);

  // "window: <title> flags=… border=… pos=… size=… font-scale=… bg-alpha=…", read from the
  // context after the last frame. False, with the reason, when the GUI has no window of that
  // title: "no window titled "<title>"; the GUI holds "A", "B"" (or "none").
  bool describe(const std::string& title, std::string& text, std::string& error) const;
  // "item: <label> pos=<x>,<y> size=<w>x<h>" for each labelled item drawn in the window of that
  // title in the last frame, in the order drawn. False, with the reason, as for describe.
  bool items(const std::string& title, std::vector<std::string>& lines, std::string& error) const;

 private:
  struct Window {
    PluginSlot* owner;
    std::string menu;
    bool open = false;
    // The window's last answers to the per-frame questions, as traced since it opened.
    std::optional<bool> blocks;
    std::optional<bool> overlay;
  };
  struct DrawnItem {
    unsigned window;  // the id of the top-level window it was drawn in
    std::string label;
    float x, y, width, height;
  };
  struct Page {
    PluginSlot* owner;
    std::string name;  // as the plugin names it in the tab
  };

  // Runs `work` on the render thread and returns what it returned. Any thread.
  template <typename Work>
  auto ask(Work&& work) const {
    decltype(work()) answer{};
    render_->run([&] { answer = work(); });
    return answer;
  }
  // The rest runs on the render thread. A call into the plugin's window, which calling() names
  // meanwhile.
  template <typename Call>
  void callWindow(const PluginSlot* owner, Call&& call) {
    calling_ = owner;
    stopExceptions(output_, owner, call);
    calling_ = nullptr;
  }

  // gui_frame.cpp: a frame as a player sees it (asSeen, see frame()), with the windows' text
  // lines; or the next frame of those drawn on their own.
  std::vector<std::string> draw(bool asSeen);
  std::vector<std::string> drawOnce(Micros now, bool capture);
  void traceAnswers(const Window& asked, Micros now, bool blocks, bool overlay);
  bool writePlaces(std::string& error);
  // game_screen.cpp: the game's picture behind the windows.
  void drawGameScreen();
  // text_capture.cpp: `draw` draws, and the text lines it wrote are added to `lines`.
  void captureText(const std::function<void()>& draw, std::vector<std::string>& lines);
  // plugins_tab.cpp: the mouse handed to the GUI; the plugins tab, when open.
  void applyMouse();
  void drawPluginsTab();
  // gui_inspect.cpp, looking inside the GUI library's context: every window is moved back
  // whole onto the screen where it fits; whether no window is hidden to be measured, drawn at
  // a size other than what it holds, or past the screen's edge.
  void keepWindowsOnScreen();
  bool settled() const;
  // Has every copy of the GUI library tell noteItem of the labelled items it draws.
  void installItemHooks();
  static void noteItem(void* gui, ImGuiContext* context, const char* label);

  Output& output_;
  const Clock& clock_;
  std::string iniFile_;
  ImGuiContext* context_ = nullptr;
  std::vector<Window> windows_;
  std::vector<Page> pages_;
  const PluginSlot* shownPage_ = nullptr;  // the plugins tab's page; null: the tab is closed
  bool tabUndrawn_ = false;                // opened, and no frame has drawn it yet
  std::optional<Mouse> mouse_;
  std::unique_ptr<ImGuiItemHooks> itemHooks_;
  std::vector<DrawnItem> drawnItems_;  // in the frame drawn last
  const PluginSlot* calling_ = nullptr;
  Micros lastFrameAt_ = -1;
  bool drawn_ = false;
  std::unique_ptr<HeadlessRenderer> headless_;
  std::unique_ptr<LiveWindow> live_;
  std::string liveLost_;  // written once, before liveEnd_ says so
  std::atomic<LiveWindowEnd> liveEnd_{LiveWindowEnd::Open};
  // Last: it ends, and stops drawing, before what it draws goes.
  std::unique_ptr<RenderThread> render_;
};

}  // namespace host
