#include "gui/gui.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cstdio>

#include "gui/gui_ini.h"
#include "gui/headless_renderer.h"
#include "gui/live_window.h"
#include "gui/png_writer.h"

namespace host {

namespace {

// A frame is drawn at most this often while its windows size themselves or come back onto the
// screen (see frame()): measured hidden, shown at their size, moved back whole.
constexpr int kMostPasses = 4;
// The time a frame drawn again takes, for the GUI: a moment, but not none.
constexpr float kRedrawSeconds = 1e-4f;

// Receives the GUI library's log while a plugin window draws: the plugin's own End() finishes
// the log and hands its text to the clipboard function, which is ours for that moment.
struct Capture {
  std::string text;
};

void captureClipboard(void* userData, const char* text) {
  static_cast<Capture*>(userData)->text += text ? text : "";
}

void appendLines(const std::string& text, std::vector<std::string>& lines) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) lines.push_back(std::move(line));
    start = end + 1;
  }
}

// The alpha of the window's background as the GUI drew it in its last frame; 0 when it drew
// none, as it does for a clear one. The background is the first shape of the window's own draw
// list, a fill that starts on the window's left edge (half a pixel in with rounded corners, for
// the smoothed edge); without one, the first shape is the text, a padding further in.
float drawnBackgroundAlpha(const ImGuiWindow& window) {
  const ImDrawList* list = window.DrawList;
  if ((window.Flags & ImGuiWindowFlags_NoBackground) || !list || list->VtxBuffer.empty()) {
    return 0.0f;
  }
  const ImDrawVert& first = list->VtxBuffer[0];
  const bool onLeftEdge = first.pos.x >= window.Pos.x && first.pos.x <= window.Pos.x + 1.0f &&
                          first.pos.y >= window.Pos.y + window.TitleBarHeight() &&
                          first.pos.y <= window.Pos.y + window.Size.y;
  return onLeftEdge ? ((first.col >> IM_COL32_A_SHIFT) & 0xFF) / 255.0f : 0.0f;
}

// Where a window at `at` of `size` along a side of the screen is whole on it, where it fits.
float onScreen(float at, float size, int screen) {
  return std::max(0.0f, std::min(at, static_cast<float>(screen) - std::max(size, 0.0f)));
}

}  // namespace

template <typename Call>
void Gui::callWindow(const PluginSlot* owner, Call&& call) {
  calling_ = owner;
  stopExceptions(output_, owner, call);
  calling_ = nullptr;
}

Gui::Gui(Output& output, const Clock& clock, const std::string& iniFile)
    : output_(output), clock_(clock), iniFile_(iniFile) {
  render_ = std::make_unique<RenderThread>([this] { draw(false); });
  render_->run([this] { setUp(); });
}

Gui::~Gui() {
  render_->setRate(0);
  // The renderers shut their GUI backends down on the context and the thread they started on.
  render_->run([this] {
    ImGui::SetCurrentContext(context_);
    headless_.reset();
    live_.reset();
    ImGui::DestroyContext(context_);
  });
  render_.reset();
}

void Gui::setUp() {
  ImGuiContext* previous = ImGui::GetCurrentContext();
  context_ = ImGui::CreateContext();
  ImGui::SetCurrentContext(context_);
  ImGuiIO& io = ImGui::GetIO();
  // The host reads and writes gui.ini itself, so that a failed write keeps the file whole and
  // is told.
  io.IniFilename = nullptr;
  io.DisplaySize = ImVec2(static_cast<float>(kScreenWidth), static_cast<float>(kScreenHeight));
  unsigned char* pixels = nullptr;
  int width = 0;
  int height = 0;
  io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
  ImGui::StyleColorsDark();
  if (previous) ImGui::SetCurrentContext(previous);
}

bool Gui::openLiveWindow(std::string& error) {
  render_->run([&] {
    ImGui::SetCurrentContext(context_);
    live_ = LiveWindow::create(kScreenWidth, kScreenHeight, "rankwatch-host", error);
    hasLive_ = live_ != nullptr;
    liveOpen_ = hasLive_;
  });
  return hasLive_;
}

void Gui::add(PluginSlot* owner) {
  if (!owner->window) return;
  render_->run([&] {
    std::string menu;
    callWindow(owner, [&] {
      owner->window->setImGuiContext(reinterpret_cast<std::uintptr_t>(context_));
      menu = owner->window->getMenuName();
    });
    windows_.push_back(Window{owner, menu, false, std::nullopt, std::nullopt});
  });
}

void Gui::forget(const PluginSlot* owner) {
  // Once this returns, no frame calls the plugin's window again.
  render_->run([&] {
    windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                  [&](const Window& window) { return window.owner == owner; }),
                   windows_.end());
  });
}

Gui::Window* Gui::find(const std::string& menu) {
  for (Window& window : windows_) {
    if (window.menu == menu) return &window;
  }
  return nullptr;
}

std::vector<std::string> Gui::menus() const {
  std::vector<std::string> names;
  render_->run([&] {
    for (const Window& window : windows_) names.push_back(window.menu);
  });
  return names;
}

std::vector<std::string> Gui::openMenus() const {
  std::vector<std::string> names;
  render_->run([&] {
    for (const Window& window : windows_) {
      if (window.open) names.push_back(window.menu);
    }
  });
  return names;
}

bool Gui::isOpen(const std::string& menu) const {
  bool open = false;
  render_->run([&] {
    for (const Window& window : windows_) {
      if (window.menu == menu) {
        open = window.open;
        return;
      }
    }
  });
  return open;
}

void Gui::setOpen(Window& window, bool open) {
  if (window.open == open) return;
  window.open = open;
  window.blocks.reset();
  window.overlay.reset();
  PluginSlot* owner = window.owner;
  callWindow(owner, [&] {
    if (open) {
      owner->window->onOpen();
    } else {
      owner->window->onClose();
    }
  });
}

template <typename Next>
bool Gui::changeOpen(const std::string& menu, Next next) {
  bool known = false;
  render_->run([&] {
    Window* window = find(menu);
    if (window) setOpen(*window, next(window->open));
    known = window != nullptr;
  });
  return known;
}

bool Gui::toggle(const std::string& menu) {
  return changeOpen(menu, [](bool open) { return !open; });
}

bool Gui::open(const std::string& menu) {
  return changeOpen(menu, [](bool) { return true; });
}

bool Gui::close(const std::string& menu) {
  return changeOpen(menu, [](bool) { return false; });
}

void Gui::drawGameScreen() {
  // A stand-in for the game's picture: sky, pitch and a centre line, so pictures of the
  // overlay show it where a player would see it.
  ImDrawList* draw = ImGui::GetBackgroundDrawList();
  const float w = static_cast<float>(kScreenWidth);
  const float h = static_cast<float>(kScreenHeight);
  draw->AddRectFilledMultiColor(ImVec2(0, 0), ImVec2(w, h * 0.45f), IM_COL32(28, 36, 64, 255),
                                IM_COL32(28, 36, 64, 255), IM_COL32(70, 90, 130, 255),
                                IM_COL32(70, 90, 130, 255));
  draw->AddRectFilledMultiColor(ImVec2(0, h * 0.45f), ImVec2(w, h), IM_COL32(30, 90, 45, 255),
                                IM_COL32(30, 90, 45, 255), IM_COL32(20, 60, 30, 255),
                                IM_COL32(20, 60, 30, 255));
  const ImU32 chalk = IM_COL32(220, 230, 220, 160);
  draw->AddLine(ImVec2(w * 0.5f, h * 0.45f), ImVec2(w * 0.5f, h), chalk, 3.0f);
  draw->AddCircle(ImVec2(w * 0.5f, h * 0.72f), h * 0.12f, chalk, 64, 3.0f);
  char clock[48];
  std::snprintf(clock, sizeof clock, "game time %s s", Clock::format(clock_.now()).c_str());
  draw->AddText(ImVec2(w - 170.0f, h - 24.0f), IM_COL32(255, 255, 255, 140), clock);
}

void Gui::keepWindowsOnScreen() {
  // A window placed off the screen (a gui.ini from a larger screen, or edited by hand) would
  // stay out of reach for good: every window is kept whole on the screen where it fits.
  ImGuiContext& g = *context_;
  // The saved places are read once, at the first frame; after that the windows are kept.
  if (!drawn_) {
    for (ImGuiWindowSettings* saved = g.SettingsWindows.begin(); saved != nullptr;
         saved = g.SettingsWindows.next_chunk(saved)) {
      saved->Pos.x = static_cast<short>(onScreen(saved->Pos.x, saved->Size.x, kScreenWidth));
      saved->Pos.y = static_cast<short>(onScreen(saved->Pos.y, saved->Size.y, kScreenHeight));
    }
  }
  for (ImGuiWindow* window : g.Windows) {
    if (window->Flags & ImGuiWindowFlags_ChildWindow) continue;
    const ImVec2 pos(onScreen(window->Pos.x, window->SizeFull.x, kScreenWidth),
                     onScreen(window->Pos.y, window->SizeFull.y, kScreenHeight));
    if (pos.x != window->Pos.x || pos.y != window->Pos.y) ImGui::SetWindowPos(window, pos);
  }
}

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
  std::vector<std::string> lines;
  render_->run([&] { lines = draw(true); });
  return lines;
}

std::vector<std::string> Gui::draw(bool asSeen) {
  ImGui::SetCurrentContext(context_);
  ImGuiIO& io = ImGui::GetIO();
  const Micros now = clock_.now();
  const double elapsed = lastFrameAt_ < 0 ? 0.0 : (now - lastFrameAt_) / 1e6;
  io.DeltaTime = elapsed > 0.0 ? static_cast<float>(elapsed) : 1.0f / 60.0f;
  lastFrameAt_ = now;

  if (live_ && !live_->beginFrame()) liveOpen_ = false;
  // The GUI measures a window that sizes itself to what it holds in one frame and shows it at
  // that size in the next: hidden in the frame it first appears, cut or too wide in the frame
  // its lines change width; and a window placed or grown past the screen's edge comes back in
  // the frame after. A player at sixty frames a second never sees those frames, so the host
  // draws the frame again, at the same moment, until its windows have settled: the frame's
  // lines and its picture then agree. Frames drawn on their own are simply the next frame.
  std::vector<std::string> lines = drawOnce(now, asSeen);
  for (int pass = 1; asSeen && pass < kMostPasses && !settled(); ++pass) {
    io.DeltaTime = kRedrawSeconds;
    lines = drawOnce(now, asSeen);
  }
  if (live_) live_->present(ImGui::GetDrawData());
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
  bool saved = false;
  render_->run([&] { saved = writePlaces(error); });
  return saved;
}

std::vector<std::string> Gui::drawOnce(Micros now, bool capture) {
  ImGuiIO& io = ImGui::GetIO();
  // The places are read as the first frame starts, as the GUI library would.
  if (!drawn_ && !iniFile_.empty() && !readWindowPlaces(iniFile_)) iniFile_.clear();
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

    if (!capture) {
      callWindow(owner, [&] { owner->window->renderWindow(); });
      continue;
    }
    Capture captured;
    auto savedSet = io.SetClipboardTextFn;
    void* savedData = io.ClipboardUserData;
    io.SetClipboardTextFn = captureClipboard;
    io.ClipboardUserData = &captured;
    ImGui::LogToClipboard();
    callWindow(owner, [&] { owner->window->renderWindow(); });
    // A window that drew nothing left the log open.
    ImGui::LogFinish();
    io.SetClipboardTextFn = savedSet;
    io.ClipboardUserData = savedData;
    appendLines(captured.text, lines);
  }
  ImGui::Render();
  drawn_ = true;
  return lines;
}

bool Gui::settled() const {
  for (ImGuiWindow* window : context_->Windows) {
    if (!window->Active || window->IsFallbackWindow ||
        (window->Flags & ImGuiWindowFlags_ChildWindow)) {
      continue;
    }
    // Hidden to be measured; a window hidden for any other reason stays hidden.
    if (window->Hidden && window->HiddenFramesCannotSkipItems > 0) return false;
    if (window->Hidden) continue;
    if (window->Flags & ImGuiWindowFlags_AlwaysAutoResize) {
      const ImVec2 fits = ImGui::CalcWindowNextAutoFitSize(window);
      if (fits.x != window->SizeFull.x || fits.y != window->SizeFull.y) return false;
    }
    // Placed, or grown, past the screen's edge: the next frame brings it back.
    if (onScreen(window->Pos.x, window->SizeFull.x, kScreenWidth) != window->Pos.x ||
        onScreen(window->Pos.y, window->SizeFull.y, kScreenHeight) != window->Pos.y) {
      return false;
    }
  }
  return true;
}

ImDrawData* Gui::lastFrame() const {
  if (!drawn_) return nullptr;
  ImGui::SetCurrentContext(context_);
  return ImGui::GetDrawData();
}

bool Gui::screenshot(const std::string& path, const std::optional<Region>& part,
                     std::string& error) {
  bool written = false;
  render_->run([&] {
    ImDrawData* data = lastFrame();
    if (!data) {
      error = "no frame drawn yet";
      return;
    }
    Image image;
    if (live_) {
      if (!live_->readPixels(image, error)) return;
    } else {
      if (!headless_) headless_ = HeadlessRenderer::create(kScreenWidth, kScreenHeight, error);
      if (!headless_ || !headless_->render(data, image, error)) return;
    }
    written = writePng(part ? cropped(image, *part) : image, path, error);
  });
  return written;
}

bool Gui::resize(const std::string& title, int width, int height, std::string& error) {
  bool done = false;
  render_->run([&] {
    ImGui::SetCurrentContext(context_);
    ImGuiWindow* window = ImGui::FindWindowByName(title.c_str());
    if (!window) {
      error = noWindowTitled(title);
      return;
    }
    if (window->Flags & ImGuiWindowFlags_AlwaysAutoResize) {
      error = "the window \"" + title + "\" sizes itself to what it holds";
      return;
    }
    ImGui::SetWindowSize(window, ImVec2(static_cast<float>(width), static_cast<float>(height)));
    // Kept in gui.ini as a drag's size would be.
    ImGui::MarkIniSettingsDirty(window);
    done = true;
  });
  return done;
}

std::string Gui::noWindowTitled(const std::string& title) const {
  std::string held;
  render_->run([&] {
    for (ImGuiWindow* window : context_->Windows) {
      if (!window->IsFallbackWindow && !(window->Flags & ImGuiWindowFlags_ChildWindow)) {
        held += std::string(held.empty() ? "" : ", ") + "\"" + window->Name + "\"";
      }
    }
  });
  return "no window titled \"" + title + "\"; the GUI holds " + (held.empty() ? "none" : held);
}

bool Gui::describe(const std::string& title, std::string& text) {
  bool found = false;
  render_->run([&] {
    ImGui::SetCurrentContext(context_);
    ImGuiWindow* window = ImGui::FindWindowByName(title.c_str());
    if (!window) return;
    const float alpha = drawnBackgroundAlpha(*window);
    char line[256];
    std::snprintf(line, sizeof line,
                  "window: %s flags=%d border=%g pos=%g,%g size=%gx%g font-scale=%g bg-alpha=%.2f",
                  title.c_str(), window->Flags, window->WindowBorderSize, window->Pos.x,
                  window->Pos.y, window->SizeFull.x, window->SizeFull.y, window->FontWindowScale,
                  alpha);
    text = line;
    found = true;
  });
  return found;
}

}  // namespace host
