// The host's render thread: work handed to it and waited for, frames it draws on its own, and
// what plugin code running there may ask of the host.

#include "gui/render_thread.h"

#include <gtest/gtest.h>
#include <imgui.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "harness.h"
#include "hostsdk/plugin_settings_window.h"
#include "stub_window.h"

using namespace std::chrono_literals;
using testing_support::until;

namespace {

TEST(RenderThread, RunsWorkThereAndDrawsOnItsOwnOnlyAtARate) {
  std::atomic<int> drawn{0};
  host::RenderThread render([&] { ++drawn; });
  std::thread::id where;
  bool nested = false;
  render.run([&] {
    where = std::this_thread::get_id();
    render.run([&] { nested = render.isCurrent(); });  // at once, or it would wait for itself
  });
  EXPECT_NE(where, std::this_thread::get_id());
  EXPECT_TRUE(nested);
  EXPECT_FALSE(render.isCurrent());
  EXPECT_THROW(render.run([] { throw std::runtime_error("no"); }), std::runtime_error);

  // Each piece of work handed in wakes the thread, which comes round between the two.
  const auto comeRound = [&] {
    render.run([] {});
    render.run([] {});
  };
  comeRound();
  EXPECT_EQ(drawn, 0) << "frames drawn with no rate";
  render.setRate(500);
  ASSERT_TRUE(until([&] { return drawn >= 3; }));
  render.setRate(0);
  render.run([] {});  // a frame under way has ended
  const int stopped = drawn;
  comeRound();
  EXPECT_EQ(drawn, stopped) << "frames drawn after the rate went to 0";
}

TEST(RenderThread, AFrameThatRanLateBringsNoBurstOfFramesAfterIt) {
  // At 50 a second the first frame ends 15 frames late. After it, of any three frames the last
  // starts a period after the first at the least, however busy the machine: the eighth a few
  // periods after the late one ended, where a burst would draw them all at once.
  using Clock = std::chrono::steady_clock;
  constexpr auto kPeriod = 20ms;
  Clock::time_point lateEnded;
  std::vector<Clock::time_point> began;
  host::RenderThread render([&] {
    if (lateEnded == Clock::time_point()) {
      std::this_thread::sleep_for(15 * kPeriod);
      lateEnded = Clock::now();
    } else if (began.size() < 8) {
      began.push_back(Clock::now());
    }
  });
  render.setRate(50);
  std::size_t seen = 0;
  ASSERT_TRUE(until([&] {
    render.run([&] { seen = began.size(); });
    return seen == 8;
  }));
  const auto after =
      std::chrono::duration_cast<std::chrono::milliseconds>(began.back() - lateEnded);
  EXPECT_GE(after.count(), (3 * kPeriod).count()) << "a burst of frames came after the late one";
}

// A window that makes an SDK call while it draws, and notes the thread it drew on.
struct Asking : StubWindow {
  Asking() : StubWindow("asking", "Asking") {}
  std::function<void(Asking&)> ask = [](Asking&) {};
  std::thread::id drewOn;
  std::atomic<int> executed{0};
  void renderWindow() override {
    drewOn = std::this_thread::get_id();
    ask(*this);
  }
};

TEST(RenderThread, AWindowThereMayHandWorkOverButNotReachTheGame) {
  const struct {
    const char* call;
    std::function<void(Asking&)> ask;
  } rows[] = {
      {"CVarManagerWrapper::executeCommand",
       [](Asking& a) { a.cvarManager->executeCommand("cvarlist", true); }},
      {"CVarManagerWrapper::getCvar", [](Asking& a) { a.cvarManager->getCvar("x"); }},
      {"GameWrapper::SetTimeout",
       [](Asking& a) { a.gameWrapper->SetTimeout([](GameWrapper*) {}, 1.0f); }},
      {"GameWrapper::HookEvent",
       [](Asking& a) { a.gameWrapper->HookEvent("Function X", [](std::string) {}); }},
      {"GameWrapper::GetUniqueID", [](Asking& a) { a.gameWrapper->GetUniqueID(); }},
      {"MMRWrapper::GetCurrentPlaylist",
       [](Asking& a) { a.gameWrapper->GetMMRWrapper().GetCurrentPlaylist(); }},
  };
  for (const auto& row : rows) {
    testing_support::Harness harness;
    auto window = std::make_shared<Asking>();
    window->ask = row.ask;
    harness.host->plugins().adopt("asking", window);
    harness.console("openmenu asking");
    harness.lines();
    harness.host->frame();
    EXPECT_NE(window->drewOn, std::this_thread::get_id()) << row.call;
    EXPECT_EQ(harness.lines(),
              std::vector<std::string>{"error: asking: " + std::string(row.call) +
                                       " on the render thread: the game would crash; "
                                       "GameWrapper::Execute hands work to the game thread"});
  }

  testing_support::Harness harness;
  auto window = std::make_shared<Asking>();
  window->ask = [](Asking& a) { a.gameWrapper->Execute([&a](GameWrapper*) { ++a.executed; }); };
  harness.host->plugins().adopt("asking", window);
  harness.console("openmenu asking");
  harness.lines();
  EXPECT_TRUE(harness.host->frame().empty());
  EXPECT_EQ(window->executed, 1) << "the frame's work ran on the game thread after it";
  EXPECT_TRUE(harness.lines().empty());
}

// A plugin with a settings page and no window of its own.
struct PageOnly : BakkesMod::Plugin::BakkesModPlugin, BakkesMod::Plugin::PluginSettingsWindow {
  void renderSettings() override { ImGui::Text("the page"); }
  std::string getPluginName() override { return "Page Only"; }
  void setImGuiContext(std::uintptr_t context) override {
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(context));
  }
};

TEST(RenderThread, APageWithoutAWindowIsDrawnThereInThePluginsTab) {
  testing_support::Harness harness;
  harness.host->plugins().adopt("pageonly", std::make_shared<PageOnly>());
  std::string error;
  ASSERT_TRUE(harness.host->gui().showSettings("pageonly", error)) << error;
  const std::vector<std::string> lines = harness.host->frame();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "the page"), lines.end());
}

}  // namespace
