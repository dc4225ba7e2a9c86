// The plugin's window and settings page as the real host reaches them: through the published
// interfaces, whose slots carry names of their own. Each slot must land on the plugin's operation
// of the same slot, with its argument and its answer.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "rankwatch.h"

namespace {

using BakkesMod::Plugin::BakkesModPlugin;
using BakkesMod::Plugin::PluginSettingsWindow;
using BakkesMod::Plugin::PluginWindow;

// The plugin's own class; each window operation notes that it ran, and answers as told.
struct Probe : rankwatch {
  std::vector<std::string> ran;
  bool answer = false;

  void renderWindow() override { ran.push_back("renderWindow"); }
  std::string getMenuName() override {
    ran.push_back("getMenuName");
    return "menu name";
  }
  std::string getMenuTitle() override {
    ran.push_back("getMenuTitle");
    return "menu title";
  }
  void setImGuiContext(std::uintptr_t context) override {
    ran.push_back("setImGuiContext " + std::to_string(context));
  }
  bool shouldBlockInput() override {
    ran.push_back("shouldBlockInput");
    return answer;
  }
  bool isActiveOverlay() override {
    ran.push_back("isActiveOverlay");
    return answer;
  }
  void onOpen() override { ran.push_back("onOpen"); }
  void onClose() override { ran.push_back("onClose"); }
  void renderSettings() override { ran.push_back("renderSettings"); }
  std::string getPluginName() override {
    ran.push_back("getPluginName");
    return "plugin name";
  }
};

// The host holds the plugin by its base part and finds each interface from there.
PluginWindow& window(BakkesModPlugin& plugin) {
  return dynamic_cast<PluginWindow&>(plugin);
}
PluginSettingsWindow& page(BakkesModPlugin& plugin) {
  return dynamic_cast<PluginSettingsWindow&>(plugin);
}

std::string said(bool answer) {
  return answer ? "true" : "false";
}

}  // namespace

TEST(PublishedWindow, EachSlotReachesTheOperationOfTheSameSlot) {
  const struct {
    const char* slot;
    std::function<std::string(BakkesModPlugin&)> call;  // the slot's answer, as text
    bool answer;                                        // what the probe answers
    std::string ran;
    std::string result;
  } rows[] = {
      {"Render",
       [](BakkesModPlugin& p) {
         window(p).Render();
         return std::string();
       },
       false, "renderWindow", ""},
      {"GetMenuName", [](BakkesModPlugin& p) { return window(p).GetMenuName(); }, false,
       "getMenuName", "menu name"},
      {"GetMenuTitle", [](BakkesModPlugin& p) { return window(p).GetMenuTitle(); }, false,
       "getMenuTitle", "menu title"},
      {"SetImGuiContext",
       [](BakkesModPlugin& p) {
         window(p).SetImGuiContext(0x5eed);
         return std::string();
       },
       false, "setImGuiContext 24301", ""},
      {"ShouldBlockInput", [](BakkesModPlugin& p) { return said(window(p).ShouldBlockInput()); },
       true, "shouldBlockInput", "true"},
      {"ShouldBlockInput", [](BakkesModPlugin& p) { return said(window(p).ShouldBlockInput()); },
       false, "shouldBlockInput", "false"},
      {"IsActiveOverlay", [](BakkesModPlugin& p) { return said(window(p).IsActiveOverlay()); },
       true, "isActiveOverlay", "true"},
      {"IsActiveOverlay", [](BakkesModPlugin& p) { return said(window(p).IsActiveOverlay()); },
       false, "isActiveOverlay", "false"},
      {"OnOpen",
       [](BakkesModPlugin& p) {
         window(p).OnOpen();
         return std::string();
       },
       false, "onOpen", ""},
      {"OnClose",
       [](BakkesModPlugin& p) {
         window(p).OnClose();
         return std::string();
       },
       false, "onClose", ""},
      {"RenderSettings",
       [](BakkesModPlugin& p) {
         page(p).RenderSettings();
         return std::string();
       },
       false, "renderSettings", ""},
      {"GetPluginName", [](BakkesModPlugin& p) { return page(p).GetPluginName(); }, false,
       "getPluginName", "plugin name"},
      {"SetImGuiContext",
       [](BakkesModPlugin& p) {
         page(p).SetImGuiContext(0x5eed);
         return std::string();
       },
       false, "setImGuiContext 24301", ""},
  };
  for (const auto& row : rows) {
    Probe probe;
    probe.answer = row.answer;
    EXPECT_EQ(row.call(probe), row.result) << row.slot;
    EXPECT_EQ(probe.ran, std::vector<std::string>{row.ran}) << row.slot;
  }
}
