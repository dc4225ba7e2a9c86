#pragma once

// A frame with one window holding a yellow line above a red one, so tests can
// find text by colour instead of comparing against a stored picture.

#include <gtest/gtest.h>
#include <imgui.h>

#include "gui/image.h"

namespace coloured_text_frame {

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;
const ImVec2 kWindowPos(40.0f, 30.0f);
const ImVec2 kWindowSize(200.0f, 120.0f);

inline ImGuiContext* createContext() {
  ImGuiContext* context = ImGui::CreateContext();
  ImGui::SetCurrentContext(context);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.DisplaySize = ImVec2(kScreenWidth, kScreenHeight);
  io.Fonts->Build();
  return context;
}

inline ImDrawData* draw() {
  ImGui::NewFrame();
  ImGui::SetNextWindowPos(kWindowPos);
  ImGui::SetNextWindowSize(kWindowSize);
  ImGui::Begin("lines");
  ImGui::TextColored(ImVec4(1, 1, 0, 1), "YELLOW YELLOW YELLOW");
  ImGui::TextColored(ImVec4(1, 0, 0, 1), "RED RED RED RED RED");
  ImGui::End();
  ImGui::Render();
  return ImGui::GetDrawData();
}

// Both lines legible, inside the window, yellow above red (rows top first).
inline void expectTextLines(const host::Image& image) {
  int count[2] = {0, 0}, outside = 0;  // yellow, red
  double sumY[2] = {0, 0};
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const unsigned char* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
      if (p[0] < 180 || p[2] > 80 || (p[1] > 80 && p[1] < 180)) continue;
      const bool inside = x >= kWindowPos.x && x < kWindowPos.x + kWindowSize.x &&
                          y >= kWindowPos.y && y < kWindowPos.y + kWindowSize.y;
      const int colour = p[1] >= 180 ? 0 : 1;
      outside += !inside;
      count[colour] += inside;
      sumY[colour] += inside ? y : 0;
    }
  }
  EXPECT_GT(count[0], 30);
  EXPECT_GT(count[1], 30);
  EXPECT_EQ(outside, 0);
  EXPECT_LT(sumY[0] / count[0], sumY[1] / count[1]);
}

}  // namespace coloured_text_frame
