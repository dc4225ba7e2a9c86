#include <benchmark/benchmark.h>
#include <imgui.h>

#include <memory>
#include <sstream>

#include "host.h"
#include "rankwatch.h"

// One host frame (game screen, window questions, text capture, render lists) with the
// plugin's window open, against the same frame with a plain four-line window the host draws
// itself: what the plugin's own window code adds.

namespace {

// The baseline: the same four coloured lines in an auto-resizing window, nothing else.
class PlainWindow : public BakkesMod::Plugin::BakkesModPlugin,
                    public BakkesMod::Plugin::PluginWindow {
 public:
  void onLoad() override {}
  void renderWindow() override {
    ImGui::Begin("Plain", nullptr, 107);
    ImGui::TextColored(ImVec4(1, 1, 0, 1), "MMR : %+.2f", 12.5);
    ImGui::TextColored(ImVec4(0, 191.0f / 255.0f, 1, 1), "Streak : %+d", 3);
    ImGui::TextColored(ImVec4(0, 1, 0, 1), "Wins : %d", 7);
    ImGui::TextColored(ImVec4(1, 0, 0, 1), "Losses : %d", 4);
    ImGui::End();
  }
  std::string getMenuName() override { return "plain"; }
  std::string getMenuTitle() override { return "Plain"; }
  void setImGuiContext(std::uintptr_t context) override {
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(context));
  }
  bool shouldBlockInput() override { return false; }
  bool isActiveOverlay() override { return false; }
  void onOpen() override {}
  void onClose() override {}
};

struct World {
  std::ostringstream stream;
  host::Output output{stream};
  host::Clock clock{host::Clock::Mode::Virtual};
  host::RatingService ratings{clock};
  host::Host host{output, clock, ratings, {}};

  void open(std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> window, const std::string& menu) {
    host.adopt(menu, std::move(window));
    host.console().execute("openmenu " + menu);
  }

  void run(benchmark::State& state) {
    for (int i = 0; i < 3; ++i) host.gui().frame();  // the window has found its size
    for (auto _ : state) benchmark::DoNotOptimize(host.gui().frame());
  }
};

void BM_FramePlainWindow(benchmark::State& state) {
  World world;
  world.open(std::make_shared<PlainWindow>(), "plain");
  world.run(state);
}

void BM_FramePluginWindow(benchmark::State& state) {
  World world;
  auto plugin = std::make_shared<rankwatch>();
  world.open(plugin, "rankwatch");
  *plugin->mmrChange = 12.5f;
  *plugin->streak = 3;
  *plugin->wins = 7;
  *plugin->losses = 4;
  world.run(state);
}

}  // namespace

BENCHMARK(BM_FramePlainWindow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramePluginWindow)->Unit(benchmark::kMicrosecond);
