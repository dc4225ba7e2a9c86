// The host's plugins tab: its "Plugins" window lists the plugins that offer a settings page and
// draws the chosen one's page below the list. And the mouse, handed to the GUI as a player's.

#include <imgui.h>

#include "gui/gui.h"

namespace host {

bool Gui::showSettings(const std::string& plugin, std::string& error) {
  return ask([&] {
    std::string offered;
    for (const Page& page : pages_) {
      if (page.owner->name == plugin) {
        tabUndrawn_ = tabUndrawn_ || shownPage_ == nullptr;
        shownPage_ = page.owner;
        return true;
      }
      offered += " " + page.owner->name;
    }
    error = "no plugin named " + inQuotes(plugin) + " offers a settings page (offered:" +
            (offered.empty() ? std::string(" none") : offered) + ")";
    return false;
  });
}

void Gui::closeSettings() {
  render_->run([&] { shownPage_ = nullptr; });
}

void Gui::setMouse(const Mouse& mouse) {
  render_->run([&] { mouse_ = mouse; });
}

void Gui::applyMouse() {
  // After the live window's input, which would otherwise drop a button held down between the
  // frames of a click or a drag.
  if (!mouse_) return;
  ImGuiIO& io = ImGui::GetIO();
  io.MousePos = ImVec2(mouse_->x, mouse_->y);
  io.MouseDown[0] = mouse_->down;
  io.MouseWheel += mouse_->wheel;
  // Held while its button is down, as a hand holds it; the wheel turns with the button up.
  if (!mouse_->down) mouse_.reset();
}

void Gui::drawPluginsTab() {
  tabUndrawn_ = false;
  ImGui::SetNextWindowPos(ImVec2(400.0f, 100.0f), ImGuiCond_FirstUseEver);
  ImGui::SetNextWindowSize(ImVec2(480.0f, 360.0f), ImGuiCond_FirstUseEver);
  bool open = true;
  if (ImGui::Begin("Plugins", &open)) {
    for (const Page& page : pages_) {
      if (ImGui::Selectable(page.name.c_str(), page.owner == shownPage_)) shownPage_ = page.owner;
    }
    ImGui::Separator();
    callWindow(shownPage_, [page = shownPage_] { page->settings->renderSettings(); });
  }
  ImGui::End();
  if (!open) shownPage_ = nullptr;
}

}  // namespace host
