// The overlay window: four coloured lines drawn into the host's GUI context each frame, on the
// host's render thread, from the newest copy of what is shown (shown.h).

#include <imgui.h>

#include <climits>
#include <memory>

#include "lifeline.h"
#include "names.h"
#include "rankwatch.h"

namespace {

constexpr ImGuiWindowFlags kFixedFlags =
    ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoCollapse;
constexpr ImGuiWindowFlags kAutoResizeFlags =
    kFixedFlags | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_AlwaysAutoResize;
static_assert(kFixedFlags == 41 && kAutoResizeFlags == 107, "the host's GUI release changed");

const ImVec4 kYellow(1.0f, 1.0f, 0.0f, 1.0f);
const ImVec4 kSkyBlue(0.0f, 191.0f / 255.0f, 1.0f, 1.0f);
const ImVec4 kGreen(0.0f, 1.0f, 0.0f, 1.0f);
const ImVec4 kRed(1.0f, 0.0f, 0.0f, 1.0f);

// Rounds halves away from zero, kept within int's range so a huge change cannot overflow.
int roundedChange(float change) {
  const float y = change >= 0.0f ? change + 0.5f : change - 0.5f;
  if (!(y > static_cast<float>(INT_MIN))) return INT_MIN;
  if (!(y < 2147483648.0f)) return INT_MAX;
  return static_cast<int>(y);
}

void changeLine(float change, bool round) {
  // The sign follows the change itself, so -0.4 rounded shows "0" and 0 shows "+0".
  const bool plus = change >= 0.0f;
  if (round) {
    ImGui::Text(plus ? "MMR : +%d" : "MMR : %d", roundedChange(change));
    return;
  }
  // Five ten-thousandths, added in single precision before the format rounds to two places.
  const float y = plus ? change + 0.0005f : change - 0.0005f;
  ImGui::Text(plus ? "MMR : +%.2f" : "MMR : %.2f", static_cast<double>(y));
}

}  // namespace

void rankwatch::renderWindow() {
  // A host that draws before onLoad has ended or before handing over its context gets an empty
  // frame.
  const Shown& shown = shown_.latest();
  if (!shown.ready || ImGui::GetCurrentContext() == nullptr) return;

  ImGui::SetNextWindowBgAlpha(shown.opacity);
  ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
  ImGuiWindowFlags flags = kAutoResizeFlags;
  if (!shown.autoResize) {
    flags = kFixedFlags;
    ImGui::SetNextWindowSize(ImVec2(85.0f, 80.0f), ImGuiCond_FirstUseEver);
  }
  // The GUI library takes a plain flag, and clears it when the user closes the window.
  bool open = windowOpen;
  const bool visible = ImGui::Begin(menuTitle.c_str(), &open, flags);
  ImGui::PopStyleVar(1);
  if (!visible) {
    ImGui::End();
    return;
  }
  ImGui::SetWindowFontScale(shown.scale);

  drawTally(shown, false);

  ImGui::End();
  if (open) return;
  windowOpen = false;
  // Commands belong to the game thread: the close is handed there, once until the host answers.
  if (closeAsked_.exchange(true)) return;
  if (std::shared_ptr<lifeline::Line> line = this->line()) {
    lifeline::toGameThread(line, [](rankwatch* self) { self->issueMenuCommand("togglemenu "); });
  }
}

void rankwatch::drawTally(const Shown& shown, bool oneLine) {
  ImGui::PushStyleColor(ImGuiCol_Text, kYellow);
  changeLine(shown.mmrChange, shown.roundMmr);
  ImGui::PopStyleColor(1);
  if (oneLine) ImGui::SameLine();

  ImGui::PushStyleColor(ImGuiCol_Text, kSkyBlue);
  ImGui::Text(shown.streak > 0 ? "Streak : +%d" : "Streak : %d", shown.streak);
  ImGui::PopStyleColor(1);
  if (oneLine) ImGui::SameLine();

  ImGui::PushStyleColor(ImGuiCol_Text, kGreen);
  ImGui::Text("Wins : %d", shown.wins);
  ImGui::PopStyleColor(1);
  if (oneLine) ImGui::SameLine();

  ImGui::PushStyleColor(ImGuiCol_Text, kRed);
  ImGui::Text("Losses : %d", shown.losses);
  ImGui::PopStyleColor(1);
}

std::string rankwatch::getMenuName() {
  return names::kClassName;
}

std::string rankwatch::getMenuTitle() {
  return menuTitle;
}

void rankwatch::setImGuiContext(std::uintptr_t context) {
  ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(context));
}

bool rankwatch::shouldBlockInput() {
  if (ImGui::GetCurrentContext() == nullptr) return false;
  const ImGuiIO& io = ImGui::GetIO();
  return io.WantCaptureMouse || io.WantCaptureKeyboard;
}

bool rankwatch::isActiveOverlay() {
  return false;
}

void rankwatch::onOpen() {
  closeAsked_ = false;
  windowOpen = true;
}

void rankwatch::onClose() {
  closeAsked_ = false;
  windowOpen = false;
}
