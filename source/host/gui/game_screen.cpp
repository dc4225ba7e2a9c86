// A stand-in for the game's picture behind the windows: sky, pitch and a centre line, so
// pictures of the overlay show it where a player would see it, and the game time.

#include <imgui.h>

#include <cstdio>

#include "gui/gui.h"

namespace host {

void Gui::drawGameScreen() {
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

}  // namespace host
