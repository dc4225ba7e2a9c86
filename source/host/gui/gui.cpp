// The host's GUI as the game thread sees it: the plugin windows by menu name, the live window
// and pictures. Frames are drawn in gui_frame.cpp.

#include "gui/gui.h"

#include <imgui.h>

#include <algorithm>

#include "gui/headless_renderer.h"
#include "gui/live_window.h"
#include "gui/png_writer.h"
#include "item_hooks.h"

namespace host {

Gui::Gui(Output& output, const Clock& clock, const std::string& iniFile)
    : output_(output), clock_(clock), iniFile_(iniFile) {
  render_ = std::make_unique<RenderThread>([this] { draw(false); });
  render_->run([this] {
    ImGuiContext* previous = ImGui::GetCurrentContext();
    context_ = ImGui::CreateContext();
    ImGui::SetCurrentContext(context_);
    ImGuiIO& io = ImGui::GetIO();
    // The host reads and writes gui.ini itself, so that a failed write keeps the file whole and
    // is told.
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(static_cast<float>(kScreenWidth), static_cast<float>(kScreenHeight));
    io.Fonts->Build();
    ImGui::StyleColorsDark();
    installItemHooks();
    if (previous) ImGui::SetCurrentContext(previous);
  });
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

bool Gui::openLiveWindow(std::string& error) {
  return ask([&] {
    ImGui::SetCurrentContext(context_);
    live_ = LiveWindow::create(kScreenWidth, kScreenHeight, "rankwatch-host", error);
    return live_ != nullptr;
  });
}

void Gui::add(PluginSlot* owner) {
  if (!owner->window && !owner->settings) return;
  render_->run([&] {
    const auto context = reinterpret_cast<std::uintptr_t>(context_);
    std::string menu, page;
    callWindow(owner, [&] {
      if (owner->window) {
        owner->window->setImGuiContext(context);
        menu = owner->window->getMenuName();
      }
      if (owner->settings) {
        owner->settings->setImGuiContext(context);
        page = owner->settings->getPluginName();
      }
    });
    if (owner->window) windows_.push_back(Window{owner, menu, false, std::nullopt, std::nullopt});
    if (owner->settings) pages_.push_back(Page{owner, page});
  });
}

void Gui::forget(const PluginSlot* owner) {
  // Once this returns, no frame calls the plugin's window or page again.
  render_->run([&] {
    windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                  [&](const Window& window) { return window.owner == owner; }),
                   windows_.end());
    pages_.erase(std::remove_if(pages_.begin(), pages_.end(),
                                [&](const Page& page) { return page.owner == owner; }),
                 pages_.end());
    if (shownPage_ == owner) shownPage_ = nullptr;
  });
}

std::vector<std::string> Gui::menus(bool openOnly) const {
  return ask([&] {
    std::vector<std::string> names;
    for (const Window& window : windows_) {
      if (window.open || !openOnly) names.push_back(window.menu);
    }
    return names;
  });
}

bool Gui::menuCommand(const std::string& command, const std::string& menu) {
  return ask([&] {
    const auto window = std::find_if(windows_.begin(), windows_.end(),
                                     [&](const Window& each) { return each.menu == menu; });
    if (window == windows_.end()) return false;
    const bool open = command == "togglemenu" ? !window->open : command == "openmenu";
    if (window->open == open) return true;
    window->open = open;
    window->blocks.reset();
    window->overlay.reset();
    PluginSlot* owner = window->owner;
    callWindow(owner, [&] { open ? owner->window->onOpen() : owner->window->onClose(); });
    return true;
  });
}

bool Gui::screenshot(const std::string& path, const std::optional<Region>& part,
                     std::string& error) {
  return ask([&] {
    if (drawn_) ImGui::SetCurrentContext(context_);
    ImDrawData* data = drawn_ ? ImGui::GetDrawData() : nullptr;
    if (!data) {
      error = "no frame drawn yet";
      return false;
    }
    Image image;
    if (live_) {
      if (!live_->readPixels(image, error)) return false;
    } else {
      if (!headless_) headless_ = HeadlessRenderer::create(kScreenWidth, kScreenHeight, error);
      if (!headless_ || !headless_->render(data, image, error)) return false;
    }
    return writePng(part ? cropped(image, *part) : image, path, error);
  });
}

}  // namespace host
