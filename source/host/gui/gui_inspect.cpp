// Where the host looks inside the GUI library's context, past its public interface: the
// windows' places, sizes and backgrounds, and whether they have settled. The one file that
// reads the library's internal header.

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cstdio>

#include "gui/gui.h"
#include "item_hooks.h"

namespace host {

namespace {

// Where a window at `at` of `size` along a side of the screen is whole on it, where it fits.
float onScreen(float at, float size, int screen) {
  return std::max(0.0f, std::min(at, static_cast<float>(screen) - std::max(size, 0.0f)));
}

ImVec2 onScreen(const ImGuiWindow& window) {
  return ImVec2(onScreen(window.Pos.x, window.SizeFull.x, Gui::kScreenWidth),
                onScreen(window.Pos.y, window.SizeFull.y, Gui::kScreenHeight));
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

// The window of that title in `context`; null, with the titles there are, for none, since a menu
// name or a title in another case is easily taken for one; and, with `tabUndrawn`, what shows
// the plugins tab.
ImGuiWindow* windowTitled(ImGuiContext* context, const std::string& title, bool tabUndrawn,
                          std::string& error) {
  ImGui::SetCurrentContext(context);
  if (ImGuiWindow* window = ImGui::FindWindowByName(title.c_str())) return window;
  std::string held;
  for (ImGuiWindow* window : context->Windows) {
    if (!window->IsFallbackWindow && !(window->Flags & ImGuiWindowFlags_ChildWindow)) {
      held += std::string(held.empty() ? "" : ", ") + inQuotes(window->Name);
    }
  }
  error =
      "no window titled " + inQuotes(title) + "; the GUI holds " + (held.empty() ? "none" : held);
  if (tabUndrawn) {
    error += "; no frame was drawn since \"settings\": \"frame\" draws the plugins tab";
  }
  return nullptr;
}

}  // namespace

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
    const ImVec2 pos = onScreen(*window);
    if (pos.x != window->Pos.x || pos.y != window->Pos.y) ImGui::SetWindowPos(window, pos);
  }
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
    // A window decides its scrollbar from the last frame's size: one just resized gets or
    // loses it in the next frame.
    const float room = window->InnerRect.GetHeight() + window->ScrollbarSizes.y;
    const float needed = window->ContentSize.y + window->WindowPadding.y * 2.0f;
    if (!(window->Flags &
          (ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_AlwaysVerticalScrollbar)) &&
        (needed > room) != window->ScrollbarY) {
      return false;
    }
    // Placed, or grown, past the screen's edge: the next frame brings it back.
    const ImVec2 pos = onScreen(*window);
    if (pos.x != window->Pos.x || pos.y != window->Pos.y) return false;
  }
  return true;
}

bool Gui::resize(const std::string& title, int width, int height, std::string& error) {
  return ask([&] {
    ImGuiWindow* window = windowTitled(context_, title, tabUndrawn_, error);
    if (!window) return false;
    if (window->Flags & ImGuiWindowFlags_AlwaysAutoResize) {
      error = "the window " + inQuotes(title) + " sizes itself to what it holds";
      return false;
    }
    ImGui::SetWindowSize(window, ImVec2(static_cast<float>(width), static_cast<float>(height)));
    // Kept in gui.ini as a drag's size would be.
    ImGui::MarkIniSettingsDirty(window);
    return true;
  });
}

bool Gui::describe(const std::string& title, std::string& text, std::string& error) const {
  return ask([&] {
    const ImGuiWindow* window = windowTitled(context_, title, tabUndrawn_, error);
    if (!window) return false;
    char line[256];
    std::snprintf(line, sizeof line,
                  "window: %s flags=%d border=%g pos=%g,%g size=%gx%g font-scale=%g bg-alpha=%.2f",
                  title.c_str(), window->Flags, window->WindowBorderSize, window->Pos.x,
                  window->Pos.y, window->SizeFull.x, window->SizeFull.y, window->FontWindowScale,
                  drawnBackgroundAlpha(*window));
    text = line;
    return true;
  });
}

void Gui::installItemHooks() {
  itemHooks_ = std::make_unique<ImGuiItemHooks>(ImGuiItemHooks{&Gui::noteItem, this});
  context_->TestEngine = itemHooks_.get();
  context_->TestEngineHookItems = true;
}

void Gui::noteItem(void* gui, ImGuiContext* context, const char* label) {
  const ImGuiContext& g = *context;
  const char* end = ImGui::FindRenderedTextEnd(label);
  if (end == label || !g.CurrentWindow) return;
  const ImRect& rect = g.LastItemData.Rect;
  // Out of sight, past the window's edge or scrolled away, it cannot be clicked. The library
  // does not clip it while the host captures a frame's text, and does otherwise.
  if (!g.CurrentWindow->ClipRect.Overlaps(rect)) return;
  static_cast<Gui*>(gui)->drawnItems_.push_back(
      DrawnItem{g.CurrentWindow->RootWindow->ID, std::string(label, end), rect.Min.x, rect.Min.y,
                rect.GetWidth(), rect.GetHeight()});
}

bool Gui::items(const std::string& title, std::vector<std::string>& lines,
                std::string& error) const {
  return ask([&] {
    const ImGuiWindow* window = windowTitled(context_, title, tabUndrawn_, error);
    if (!window) return false;
    for (const DrawnItem& item : drawnItems_) {
      if (item.window != window->ID) continue;
      char place[96];
      std::snprintf(place, sizeof place, " pos=%g,%g size=%gx%g", item.x, item.y, item.width,
                    item.height);
      lines.push_back("item: " + item.label + place);
    }
    return true;
  });
}

}  // namespace host
