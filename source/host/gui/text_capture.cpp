// The text a window draws, read through the GUI library's log: while the window draws, the log
// goes to the clipboard function, which is the host's for that moment, and the window's own
// End() finishes the log and hands its text over.

#include <imgui.h>

#include "gui/gui.h"

namespace host {

namespace {

void captureClipboard(void* userData, const char* text) {
  static_cast<std::string*>(userData)->append(text ? text : "");
}

// Blanks at a line's end are dropped, and empty lines left out.
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

}  // namespace

void Gui::captureText(const std::function<void()>& draw, std::vector<std::string>& lines) {
  ImGuiIO& io = ImGui::GetIO();
  std::string captured;
  auto savedSet = io.SetClipboardTextFn;
  void* savedData = io.ClipboardUserData;
  io.SetClipboardTextFn = captureClipboard;
  io.ClipboardUserData = &captured;
  ImGui::LogToClipboard();
  draw();
  // A window that drew nothing left the log open.
  ImGui::LogFinish();
  io.SetClipboardTextFn = savedSet;
  io.ClipboardUserData = savedData;
  appendLines(captured, lines);
}

}  // namespace host
