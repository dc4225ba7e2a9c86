#pragma once

// A plugin that is a window and nothing more, for driving the host's GUI: every window
// operation but renderWindow answers as a plain window does.

#include <imgui.h>

#include <cstdint>
#include <string>
#include <utility>

#include "hostsdk/plugin.h"
#include "hostsdk/plugin_window.h"

class StubWindow : public BakkesMod::Plugin::BakkesModPlugin,
                   public BakkesMod::Plugin::PluginWindow {
 public:
  StubWindow(std::string menu, std::string title)
      : menu_(std::move(menu)), title_(std::move(title)) {}

  void onLoad() override {}
  std::string getMenuName() override { return menu_; }
  std::string getMenuTitle() override { return title_; }
  void setImGuiContext(std::uintptr_t context) override {
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(context));
  }
  bool shouldBlockInput() override { return false; }
  bool isActiveOverlay() override { return false; }
  void onOpen() override {}
  void onClose() override {}

 private:
  std::string menu_;
  std::string title_;
};
