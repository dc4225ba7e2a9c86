// The plugin's page in the host's plugins tab, on the host's render thread: the seven settings,
// the three commands and the tally. The page keeps nothing of its own: each frame shows the
// newest copy of what is shown (shown.h), and each change goes to the console on the game
// thread as a typed line would.

#include <imgui.h>

#include <cstdio>
#include <optional>

#include "lifeline.h"
#include "names.h"
#include "rankwatch.h"

namespace {

constexpr char kWebService[] = "web";

std::string settingLine(const char* name, float value) {
  char line[64];
  std::snprintf(line, sizeof line, "%s %g", name, static_cast<double>(value));
  return line;
}

// While a slider is held it shows the value it sent last: until the game thread has set the
// setting, the cell shows the old one, and the page would send the new one again.
bool slider(const char* label, std::optional<float>& held, float current, float low, float high,
            float& value) {
  value = held.value_or(current);
  const bool changed = ImGui::SliderFloat(label, &value, low, high, "%.2f");
  held = ImGui::IsItemActive() ? std::optional<float>(value) : std::nullopt;
  return changed;
}

}  // namespace

void rankwatch::renderSettings() {
  const Shown& shown = shown_.latest();
  if (!shown.ready || ImGui::GetCurrentContext() == nullptr) return;
  // What a slider held belongs to the load that drew it.
  if (shown.load != pageLoad_) {
    pageLoad_ = shown.load;
    heldScale_.reset();
    heldOpacity_.reset();
  }
  const struct {
    const char* label;
    const char* name;
    bool on;
  } toggles[] = {
      {"Enable plugin", "rankwatch_enabled", shown.enabled},
      {"Single queue", "rankwatch_singlequeue", shown.singleQueue},
      {"Auto-resize", "rankwatch_autoresize", shown.autoResize},
      {"Round MMR", "rankwatch_round", shown.roundMmr},
  };
  for (const auto& toggle : toggles) {
    bool on = toggle.on;
    if (ImGui::Checkbox(toggle.label, &on)) {
      runOnGameThread(std::string(toggle.name) + (on ? " 1" : " 0"));
    }
  }

  // Any text but the host's service's name is the web service: the page shows it as such.
  const bool web = shown.web;
  ImGui::AlignTextToFramePadding();
  ImGui::TextUnformatted("Tracking Method");
  ImGui::SameLine();
  if (ImGui::RadioButton(names::kHostService, !web) && web) {
    runOnGameThread(std::string("rankwatch_trackingmethod ") + names::kHostService);
  }
  ImGui::SameLine();
  if (ImGui::RadioButton(kWebService, web) && !web) {
    runOnGameThread(std::string("rankwatch_trackingmethod ") + kWebService);
  }

  float value = 0.0f;
  if (slider("Scale", heldScale_, shown.scale, 1.0f, 3.0f, value)) {
    runOnGameThread(settingLine("rankwatch_scale", value));
  }
  if (slider("Opacity", heldOpacity_, shown.opacity, 0.0f, 1.0f, value)) {
    runOnGameThread(settingLine("rankwatch_opacity", value));
  }

  if (ImGui::Button("Add win")) runOnGameThread("rankwatch_addwin");
  ImGui::SameLine();
  if (ImGui::Button("Add loss")) runOnGameThread("rankwatch_addloss");
  ImGui::SameLine();
  if (ImGui::Button("Reset")) runOnGameThread("rankwatch_reset");
  drawTally(shown, true);
}

std::string rankwatch::getPluginName() {
  return names::kDisplayName;
}

void rankwatch::runOnGameThread(std::string line) {
  if (std::shared_ptr<lifeline::Line> held = this->line()) {
    lifeline::toGameThread(held, [line = std::move(line)](rankwatch* self) {
      self->cvarManager->executeCommand(line, false);
    });
  }
}
