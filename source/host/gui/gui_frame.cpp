// The host's GUI frames: every open plugin window drawn, and the frame drawn again at the same
// moment until the windows settle; the window places kept in gui.ini.

#include <imgui.h>

#include "gui/gui.h"
#include "gui/gui_ini.h"
#include "gui/live_window.h"

namespace host {

void Gui::traceAnswers(const Window& asked, Micros now, bool blocks, bool overlay) {
  // Asked every frame; traced only when an answer changes, or the trace would bury the rest.
  for (Window& window : windows_) {
    if (window.owner != asked.owner || window.menu != asked.menu) continue;
    const std::string who = Clock::format(now) + " host: " + window.owner->name;
    if (window.blocks != blocks) {
      output_.trace(who + ".shouldBlockInput() -> " + (blocks ? "true" : "false"));
    }
    if (window.overlay != overlay) {
      output_.trace(who + ".isActiveOverlay() -> " + (overlay ? "true" : "false"));
    }
    window.blocks = blocks;
    window.overlay = overlay;
  }
}

std::vector<std::string> Gui::frame() {
  return ask([&] { return draw(true); });
}

std::vector<std::string> Gui::draw(bool asSeen) {
  ImGui::SetCurrentContext(context_);
  ImGuiIO& io = ImGui::GetIO();
  const Micros now = clock_.now();
  const double elapsed = lastFrameAt_ < 0 ? 0.0 : (now - lastFrameAt_) / 1e6;
  io.DeltaTime = elapsed > 0.0 ? static_cast<float>(elapsed) : 1.0f / 60.0f;
  lastFrameAt_ = now;

  const bool liveOpen = live_ && liveEnd_ == LiveWindowEnd::Open;
  if (liveOpen && !live_->beginFrame()) {
    liveLost_ = live_->lost();
    liveEnd_ = liveLost_.empty() ? LiveWindowEnd::Closed : LiveWindowEnd::DisplayLost;
  }
  // The GUI measures a window that sizes itself to what it holds in one frame and shows it at
  // that size in the next: hidden in the frame it first appears, cut or too wide in the frame
  // its lines change width; and a window placed or grown past the screen's edge comes back in
  // the frame after. A player at sixty frames a second never sees those frames, so the host
  // draws the frame again, at the same moment, until its windows have settled: the frame's
  // lines and its picture then agree. Frames drawn on their own are simply the next frame.
  // At most four passes (measured hidden, shown at their size, moved back whole), each a
  // moment later, but not none.
  constexpr int kMostPasses = 4;
  constexpr float kRedrawSeconds = 1e-4f;
  std::vector<std::string> lines = drawOnce(now, asSeen);
  for (int pass = 1; asSeen && pass < kMostPasses && !settled(); ++pass) {
    io.DeltaTime = kRedrawSeconds;
    lines = drawOnce(now, asSeen);
  }
  if (liveOpen && liveEnd_ == LiveWindowEnd::Open) live_->present(ImGui::GetDrawData());
  // The GUI asks for its places to be kept some seconds after a window moved; a write that
  // fails here is told by the one at the end (savePlaces).
  if (io.WantSaveIniSettings) {
    std::string ignored;
    writePlaces(ignored);
    io.WantSaveIniSettings = false;
  }
  return lines;
}

bool Gui::writePlaces(std::string& error) {
  // Kept since the first frame read them; no frame, nothing changed.
  if (iniFile_.empty() || !drawn_) return true;
  ImGui::SetCurrentContext(context_);
  keepWindowsOnScreen();  // a window drawn on its own past the edge is not kept there
  return writeWindowPlaces(iniFile_, error);
}

bool Gui::savePlaces(std::string& error) {
  return ask([&] { return writePlaces(error); });
}

std::vector<std::string> Gui::drawOnce(Micros now, bool capture) {
  // The places are read as the first frame starts, as the GUI library would.
  if (!drawn_ && !iniFile_.empty() && !readWindowPlaces(iniFile_)) iniFile_.clear();
  applyMouse();
  drawnItems_.clear();
  ImGui::NewFrame();
  keepWindowsOnScreen();
  drawGameScreen();

  std::vector<std::string> lines;
  // Copies: a window may open or close windows while it draws.
  std::vector<Window> windows = windows_;
  for (const Window& window : windows) {
    if (!window.open) continue;
    PluginSlot* owner = window.owner;
    bool blocks = false;
    bool overlay = false;
    callWindow(owner, [&] {
      blocks = owner->window->shouldBlockInput();
      overlay = owner->window->isActiveOverlay();
    });
    if (output_.tracing()) traceAnswers(window, now, blocks, overlay);

    const auto draw = [&] { callWindow(owner, [&] { owner->window->renderWindow(); }); };
    capture ? captureText(draw, lines) : draw();
  }
  if (shownPage_) capture ? captureText([&] { drawPluginsTab(); }, lines) : drawPluginsTab();
  ImGui::Render();
  drawn_ = true;
  return lines;
}

}  // namespace host
