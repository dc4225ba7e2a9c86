// The overlay window: its four lines, the window state it leaves in the host's GUI context, the
// menu commands it issues, and its safety before the host has set it up.

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <fstream>

#include "harness.h"
#include "overlay_picture.h"
#include "png_reader.h"

using testing_support::Harness;

namespace {

class Overlay : public ::testing::Test {
 protected:
  void SetUp() override {
    harness.console("openmenu rankwatch");
    harness.lines();
  }

  std::vector<std::string> frame() { return harness.host->frame(); }

  ImGuiWindow* window() {
    ImGui::SetCurrentContext(harness.host->gui().context());
    return ImGui::FindWindowByName("Rankwatch");
  }

  Harness harness;
  rankwatch& plugin = harness.load();
};

struct ChangeCase {
  float change;
  bool round;
  const char* line;
  int streak = 0;
  const char* streakLine = "Streak : 0";
};

TEST_F(Overlay, ShowsTheChangeSignedRoundedOrToTwoPlacesAndAWinningStreakWithAPlusSign) {
  const ChangeCase cases[] = {
      {0.0f, false, "MMR : +0.00"},
      {0.0f, true, "MMR : +0"},
      {12.5f, false, "MMR : +12.50"},
      {12.5f, true, "MMR : +13"},
      {-12.5f, false, "MMR : -12.50"},
      {-12.5f, true, "MMR : -13"},
      {2.5f, true, "MMR : +3"},
      {-2.5f, true, "MMR : -3"},  // halves away from zero
      {0.4f, true, "MMR : +0"},
      {-0.4f, true, "MMR : 0"},  // the sign is the change's
      {-0.4f, false, "MMR : -0.40"},
      {-0.001f, false, "MMR : -0.00"},
      {1.0049f, false, "MMR : +1.01"},
      {1.004f, false, "MMR : +1.00"},
      {-1.0049f, false, "MMR : -1.01"},
      {1234.56f, false, "MMR : +1234.56"},
      {3e9f, true, "MMR : +2147483647"},  // beyond int's range: the ends of it
      {-3e9f, true, "MMR : -2147483648"},
      {2147483520.0f, true, "MMR : +2147483520"},
      {0.0f, false, "MMR : +0.00", 3, "Streak : +3"},
      {0.0f, false, "MMR : +0.00", -2, "Streak : -2"},
      {0.0f, false, "MMR : +0.00", 1, "Streak : +1"},
  };
  *plugin.wins = 7;
  *plugin.losses = 4;
  for (const ChangeCase& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.change << (c.round ? " rounded" : "") << ", streak " << c.streak);
    *plugin.mmrChange = c.change;
    *plugin.roundMmr = c.round;
    *plugin.streak = c.streak;
    plugin.publish();
    EXPECT_EQ(frame(), (std::vector<std::string>{c.line, c.streakLine, "Wins : 7", "Losses : 4"}));
  }
}

TEST_F(Overlay, DrawsEachLineInItsOwnColourTopToBottom) {
  for (int i = 0; i < 3; ++i) frame();  // a new window clips its text until it has its size
  const ImU32 expected[] = {IM_COL32(255, 255, 0, 255), IM_COL32(0, 191, 255, 255),
                            IM_COL32(0, 255, 0, 255), IM_COL32(255, 0, 0, 255)};
  std::vector<ImU32> seen;
  std::vector<float> top, bottom;
  for (const ImDrawVert& vertex : window()->DrawList->VtxBuffer) {
    if (std::find(std::begin(expected), std::end(expected), vertex.col) == std::end(expected)) {
      continue;
    }
    if (seen.empty() || seen.back() != vertex.col) {
      seen.push_back(vertex.col);
      top.push_back(vertex.pos.y);
      bottom.push_back(vertex.pos.y);
    }
    top.back() = std::min(top.back(), vertex.pos.y);
    bottom.back() = std::max(bottom.back(), vertex.pos.y);
  }
  ASSERT_EQ(seen, std::vector<ImU32>(std::begin(expected), std::end(expected)));
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_LE(bottom[i - 1], top[i]) << "line " << i;
}

TEST_F(Overlay, AFrameEndingWithTheOpenFlagClearedTogglesTheMenuOnce) {
  for (int i = 0; i < 3; ++i) frame();
  EXPECT_TRUE(harness.lines().empty()) << "an open, steady window asks for nothing";

  plugin.windowOpen = false;  // the host still has it open
  // The close goes to the game thread; frames drawn before it gets there ask no more, or a
  // second toggle would open the window again.
  EXPECT_EQ(harness.host->gui().frame().size(), 4u);
  EXPECT_EQ(harness.host->gui().frame().size(), 4u);
  EXPECT_TRUE(harness.lines().empty()) << "a command issued on the render thread";
  EXPECT_EQ(frame().size(), 4u);
  EXPECT_EQ(harness.lines(), std::vector<std::string>{"command: togglemenu rankwatch"});
  EXPECT_TRUE(harness.host->gui().menus(true).empty());

  EXPECT_TRUE(frame().empty());
  EXPECT_TRUE(harness.lines().empty());
}

TEST(MenuCommands, RunOnceTheCallbackThatIssuedThemHasReturned) {
  // Opens and closes, which run on the render thread, counting the calls into the plugin on the
  // game thread's stack meanwhile: none, since the game thread waits with no plugin code on it.
  struct Nesting : rankwatch {
    const host::PluginCalls* calls = nullptr;
    std::vector<std::string> seen;
    void onOpen() override {
      seen.push_back("onOpen at depth " + std::to_string(calls->depth()));
      rankwatch::onOpen();
    }
    void onClose() override {
      seen.push_back("onClose at depth " + std::to_string(calls->depth()));
      rankwatch::onClose();
    }
  };
  Harness harness;
  Nesting& plugin = harness.load<Nesting>();
  plugin.calls = &harness.host->calls();
  harness.console("rankwatch_enabled 1");  // from a change handler
  harness.host->frame();
  plugin.windowOpen = false;  // from renderWindow, through the game thread
  harness.host->frame();
  EXPECT_EQ(plugin.seen, (std::vector<std::string>{"onOpen at depth 0", "onClose at depth 0"}));
  EXPECT_EQ(harness.lines(), (std::vector<std::string>{"command: togglemenu rankwatch",
                                                       "command: togglemenu rankwatch"}));
}

TEST_F(Overlay, AWindowBeginCannotShowDrawsNothingAndAsksForNothing) {
  frame();
  // The window cannot collapse (it has no title bar); hidden for a frame, its Begin is false.
  // Begin counts this down before it looks, hence two.
  window()->HiddenFramesCanSkipItems = 2;
  plugin.windowOpen = false;
  EXPECT_TRUE(frame().empty());
  EXPECT_TRUE(window()->SkipItems) << "Begin returned true: the test did not hide the window";
  EXPECT_TRUE(harness.lines().empty());
  EXPECT_EQ(harness.host->gui().menus(true), std::vector<std::string>{"rankwatch"});

  // Shown again with the flag still cleared, it draws and asks.
  EXPECT_EQ(frame().size(), 4u);
  EXPECT_EQ(harness.lines(), std::vector<std::string>{"command: togglemenu rankwatch"});
}

TEST_F(Overlay, ShowsTheTallyInItsColoursInAPictureOfItsFirstFrame) {
  *plugin.mmrChange = -23.75f;
  *plugin.streak = 2;
  *plugin.wins = 5;
  *plugin.losses = 3;
  plugin.publish();
  // The GUI hides a window that sizes itself in the frame it first appears.
  frame();
  const std::string path = (harness.folder.path() / "overlay.png").string();
  std::string error;
  ASSERT_TRUE(harness.host->gui().screenshot(path, std::nullopt, error)) << error;
  const ImGuiWindow* drawn = window();
  const overlay_picture::Box box{static_cast<int>(drawn->Pos.x), static_cast<int>(drawn->Pos.y),
                                 static_cast<int>(drawn->SizeFull.x),
                                 static_cast<int>(drawn->SizeFull.y)};
  overlay_picture::expectLines(readPng(path), box);
  // A part of the screen: the window alone.
  ASSERT_TRUE(harness.host->gui().screenshot(
      path, host::Region{box.x, box.y, box.width, box.height}, error))
      << error;
  const host::Image part = readPng(path);
  EXPECT_EQ(part.width, box.width);
  EXPECT_EQ(part.height, box.height);
  overlay_picture::expectLines(part, {0, 0, box.width, box.height});

  // Lines grown wider fit in the very frame that draws them.
  *plugin.mmrChange = -12345.75f;
  plugin.publish();
  frame();
  const ImVec2 fits = ImGui::CalcWindowNextAutoFitSize(window());
  EXPECT_EQ(window()->SizeFull.x, fits.x);
  EXPECT_GT(window()->SizeFull.x, static_cast<float>(box.width));
}

TEST_F(Overlay, TheSettingsPageDrawsEachLabelAndMarksTheBoxesThatAreOn) {
  std::string error;
  ASSERT_TRUE(harness.host->gui().showSettings("rankwatch", error)) << error;
  frame();
  const std::string path = (harness.folder.path() / "page.png").string();
  std::vector<std::string> items;
  ASSERT_TRUE(harness.host->gui().screenshot(path, std::nullopt, error)) << error;
  ASSERT_TRUE(harness.host->gui().items("Plugins", items, error)) << error;
  ASSERT_EQ(items.size(), 12u);
  const host::Image image = readPng(path);
  for (const std::string& item : items) {
    const size_t at = item.rfind(" pos=");
    const std::string label = item.substr(6, at - 6);
    int x = 0, y = 0, width = 0, height = 0;
    ASSERT_EQ(std::sscanf(item.c_str() + at, " pos=%d,%d size=%dx%d", &x, &y, &width, &height), 4);
    // White glyphs of the label; a checkbox's mark, the library's blue, in its square only.
    int glyphs = 0, marks = 0;
    for (int py = y; py < y + height; ++py) {
      for (int px = x; px < x + width; ++px) {
        const unsigned char* p = &image.rgba[(static_cast<size_t>(py) * image.width + px) * 4];
        glyphs += p[0] > 200 && p[1] > 200 && p[2] > 200;
        marks += px < x + height && p[0] < 120 && p[1] > 120 && p[2] > 200;
      }
    }
    EXPECT_GT(glyphs, 20) << label;
    if (label == "Enable plugin" || label == "Single queue" || label == "Auto-resize" ||
        label == "Round MMR") {
      EXPECT_EQ(marks > 10, label == "Single queue" || label == "Auto-resize") << label;
    }
  }
}

TEST_F(Overlay, AHeldSliderSendsWhereItWasMovedOnceThoughTheGameThreadLags) {
  std::string error;
  ASSERT_TRUE(harness.host->gui().showSettings("rankwatch", error)) << error;
  frame();
  std::vector<std::string> items;
  ASSERT_TRUE(harness.host->gui().items("Plugins", items, error)) << error;
  int x = 0, y = 0, width = 0, height = 0;
  for (const std::string& item : items) {
    std::sscanf(item.c_str(), "item: Scale pos=%d,%d size=%dx%d", &x, &y, &width, &height);
  }
  ASSERT_GT(width, 0) << "no Scale slider";
  harness.lines();
  // Pressed on the slider's bar and held there three frames, the game thread taking no turn
  // between them to set what the first one sent.
  const float bar = static_cast<float>(x + width / 4), middle = static_cast<float>(y + height / 2);
  harness.host->gui().setMouse({bar, middle, true});
  for (int i = 0; i < 3; ++i) harness.host->gui().frame();
  harness.host->gui().setMouse({bar, middle, false});
  harness.host->gui().frame();
  harness.wait(0);
  int sent = 0;
  for (const std::string& line : harness.lines())
    sent += line.rfind("command: rankwatch_scale ", 0) == 0;
  EXPECT_EQ(sent, 1);
}

struct CaptureCase {
  bool mouse;
  bool keyboard;
};

TEST_F(Overlay, BlocksInputWhileTheGuiWantsTheMouseOrTheKeyboard) {
  const CaptureCase cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
  frame();
  ImGui::SetCurrentContext(harness.host->gui().context());
  for (const CaptureCase& c : cases) {
    ImGui::GetIO().WantCaptureMouse = c.mouse;
    ImGui::GetIO().WantCaptureKeyboard = c.keyboard;
    EXPECT_EQ(plugin.shouldBlockInput(), c.mouse || c.keyboard) << c.mouse << c.keyboard;
    EXPECT_FALSE(plugin.isActiveOverlay());
  }
}

TEST_F(Overlay, TheHostTracesItsPerFrameQuestionsOnlyWhenTheAnswerChanges) {
  harness.output.setTracing(true);
  for (int i = 0; i < 3; ++i) frame();
  EXPECT_EQ(harness.traced("host: rankwatch.shouldBlockInput()").size(), 1u);
  // The mouse over the window: the GUI wants it, so the plugin blocks input.
  ImGui::SetCurrentContext(harness.host->gui().context());
  ImGui::GetIO().MousePos = ImVec2(window()->Pos.x + 5, window()->Pos.y + 5);
  for (int i = 0; i < 3; ++i) frame();
  EXPECT_EQ(harness.traced("host: rankwatch.shouldBlockInput()"),
            std::vector<std::string>{"0.000 host: rankwatch.shouldBlockInput() -> true"});
  EXPECT_TRUE(harness.traced("host: rankwatch.isActiveOverlay()").empty());
}

// In the very frame a `frame` or a screenshot shows, and in what gui.ini keeps.
TEST(OverlayPlacement, AWindowSavedOffTheScreenOrGrownPastItComesBackWhole) {
  const struct {
    const char* saved;  // its place in gui.ini
    const char* scale;  // then set, and a frame drawn; none: the first frame alone
    ImVec2 shown;
  } cases[] = {
      {"Pos=5000,5000\nSize=93,80", nullptr, ImVec2(1280 - 93, 720 - 80)},
      {"Pos=-3000,-40\nSize=93,80", nullptr, ImVec2(0, 0)},
      {"Pos=600,2000\nSize=93,80", nullptr, ImVec2(600, 720 - 80)},
      {"Pos=100,100\nSize=93,80", nullptr, ImVec2(100, 100)},
      {"Pos=5000,-300\nSize=50,50", nullptr, ImVec2(1280 - 93, 0)},  // larger than saved
      {"Pos=1180,600\nSize=93,80", "3", ImVec2(1280 - 247, 720 - 184)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.saved);
    Harness harness;
    const auto ini = harness.folder.path() / "gui.ini";
    std::ofstream(ini) << "[Window][Rankwatch]\n" << c.saved << "\nCollapsed=0\n";
    harness.load();
    harness.console("openmenu rankwatch");
    harness.host->gui().frame();
    if (c.scale) {
      harness.console(std::string("rankwatch_scale ") + c.scale);
      harness.host->gui().frame();
    }
    ImGui::SetCurrentContext(harness.host->gui().context());
    const ImGuiWindow* window = ImGui::FindWindowByName("Rankwatch");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Pos.x, c.shown.x);
    EXPECT_EQ(window->Pos.y, c.shown.y);
    harness.host.reset();
    std::ifstream saved(ini);
    const std::string text((std::istreambuf_iterator<char>(saved)), {});
    EXPECT_EQ(text.rfind("[Window][Rankwatch]\nPos=" + std::to_string(int(c.shown.x)) + "," +
                             std::to_string(int(c.shown.y)) + "\n",
                         0),
              0u)
        << text;
  }
}

// A host that draws too early, before onLoad or before handing over its context, gets an empty
// frame: nothing drawn and nothing asked of the host, not even a close the user asked for; the
// host's frames after it draw as ever.
TEST(OverlayBeforeSetUp, DrawsNothingBeforeOnLoadOrWithoutAContext) {
  const struct {
    bool loaded;
    bool context;
  } rows[] = {{false, true}, {false, false}, {true, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "loaded " << row.loaded << ", context " << row.context);
    Harness harness;
    rankwatch bare;
    rankwatch& plugin = row.loaded ? harness.load() : bare;
    EXPECT_EQ(plugin.getMenuName(), "rankwatch");
    EXPECT_EQ(plugin.getMenuTitle(), "Rankwatch");
    harness.lines();

    ImGuiContext* context = nullptr;
    if (row.context) {
      context = ImGui::CreateContext();
      ImGui::SetCurrentContext(context);
      ImGui::GetIO().IniFilename = nullptr;
      ImGui::GetIO().DisplaySize = ImVec2(640, 480);
      ImGui::GetIO().Fonts->Build();
      ImGui::NewFrame();
    }
    plugin.setImGuiContext(reinterpret_cast<std::uintptr_t>(context));
    plugin.windowOpen = false;  // closed by the user: the frame that draws asks to close it
    plugin.renderWindow();
    EXPECT_FALSE(plugin.shouldBlockInput());
    if (context) {
      ImGui::Render();
      EXPECT_EQ(ImGui::FindWindowByName("Rankwatch"), nullptr);
      ImGui::DestroyContext(context);
    }
    EXPECT_TRUE(harness.lines().empty());
    EXPECT_FALSE(plugin.windowOpen);
    if (row.loaded) {
      harness.console("openmenu rankwatch");  // the host's frames draw it again
      plugin.windowOpen = false;
      harness.host->frame();
      EXPECT_EQ(harness.lines(), std::vector<std::string>{"command: togglemenu rankwatch"});
    }
  }
}

}  // namespace
