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

// The settings page of the same object.
PluginSettingsWindow& page(PluginWindow& window) {
  return dynamic_cast<PluginSettingsWindow&>(window);
}

std::string said(bool answer) {
  return answer ? "true" : "false";
}

}  // namespace

TEST(PublishedWindow, EachSlotReachesTheOperationOfTheSameSlot) {
  const struct {
    const char* slot;
    std::function<std::string(PluginWindow&)> call;  // the slot's answer, as text
    bool answer;                                     // what the probe answers
    std::string ran;
    std::string result;
  } rows[] = {
      {"Render",
       [](PluginWindow& w) {
         w.Render();
         return std::string();
       },
       false, "renderWindow", ""},
      {"GetMenuName", [](PluginWindow& w) { return w.GetMenuName(); }, false, "getMenuName",
       "menu name"},
      {"GetMenuTitle", [](PluginWindow& w) { return w.GetMenuTitle(); }, false, "getMenuTitle",
       "menu title"},
      {"SetImGuiContext",
       [](PluginWindow& w) {
         w.SetImGuiContext(0x5eed);
         return std::string();
       },
       false, "setImGuiContext 24301", ""},
      {"ShouldBlockInput", [](PluginWindow& w) { return said(w.ShouldBlockInput()); }, true,
       "shouldBlockInput", "true"},
      {"ShouldBlockInput", [](PluginWindow& w) { return said(w.ShouldBlockInput()); }, false,
       "shouldBlockInput", "false"},
      {"IsActiveOverlay", [](PluginWindow& w) { return said(w.IsActiveOverlay()); }, true,
       "isActiveOverlay", "true"},
      {"IsActiveOverlay", [](PluginWindow& w) { return said(w.IsActiveOverlay()); }, false,
       "isActiveOverlay", "false"},
      {"OnOpen",
       [](PluginWindow& w) {
         w.OnOpen();
         return std::string();
       },
       false, "onOpen", ""},
      {"OnClose",
       [](PluginWindow& w) {
         w.OnClose();
         return std::string();
       },
       false, "onClose", ""},
      {"RenderSettings",
       [](PluginWindow& w) {
         page(w).RenderSettings();
         return std::string();
       },
       false, "renderSettings", ""},
      {"GetPluginName", [](PluginWindow& w) { return page(w).GetPluginName(); }, false,
       "getPluginName", "plugin name"},
      {"SetImGuiContext",
       [](PluginWindow& w) {
         page(w).SetImGuiContext(0x5eed);
         return std::string();
       },
       false, "setImGuiContext 24301", ""},
  };
  for (const auto& row : rows) {
    Probe probe;
    probe.answer = row.answer;
    // The host holds the plugin by its base part and finds the window from there.
    BakkesModPlugin* plugin = &probe;
    auto* window = dynamic_cast<PluginWindow*>(plugin);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(row.call(*window), row.result) << row.slot;
    EXPECT_EQ(probe.ran, std::vector<std::string>{row.ran}) << row.slot;
  }
}
