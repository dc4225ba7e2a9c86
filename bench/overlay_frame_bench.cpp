// The plugin's window against a plain window of the same four lines: what the plugin's own
// window code adds. Once as a whole host frame (game screen, window questions, text capture,
// render lists), and once as the window's own draw call alone, which the frame dilutes. And the
// host frame with the plugin's settings page open in the plugins tab beside the window.

#include <benchmark/benchmark.h>
#include <imgui.h>

#include <chrono>
#include <memory>
#include <sstream>

#include "host_world.h"
#include "rankwatch.h"
#include "stub_window.h"

namespace {

// The baseline: the same four coloured lines in an auto-resizing window, nothing else.
class PlainWindow : public StubWindow {
 public:
  PlainWindow() : StubWindow("plain", "Plain") {}
  void renderWindow() override {
    ImGui::Begin("Plain", nullptr, 107);
    ImGui::TextColored(ImVec4(1, 1, 0, 1), "MMR : %+.2f", 12.5);
    ImGui::TextColored(ImVec4(0, 191.0f / 255.0f, 1, 1), "Streak : %+d", 3);
    ImGui::TextColored(ImVec4(0, 1, 0, 1), "Wins : %d", 7);
    ImGui::TextColored(ImVec4(1, 0, 0, 1), "Losses : %d", 4);
    ImGui::End();
  }
};

struct World : HostWorld {
  void open(std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> window, const std::string& menu) {
    host.plugins().adopt(menu, std::move(window));
    host.console().execute("openmenu " + menu);
  }

  // Frames drawn on the render thread itself: handing each one over would cost more than the
  // frame, and vary more.
  void run(benchmark::State& state) {
    for (int i = 0; i < 3; ++i) host.gui().frame();  // the window has found its size
    host.gui().run([&] {
      for (auto _ : state) benchmark::DoNotOptimize(host.gui().frame());
    });
  }

  // Times the window's renderWindow alone, inside GUI frames of the host's context, on the
  // render thread.
  void runDrawCall(benchmark::State& state, BakkesMod::Plugin::PluginWindow& window) {
    for (int i = 0; i < 3; ++i) host.gui().frame();
    host.gui().run([&] {
      ImGui::SetCurrentContext(host.gui().context());
      for (auto _ : state) {
        ImGui::GetIO().DeltaTime = 1.0f / 60.0f;
        ImGui::NewFrame();
        const auto start = std::chrono::steady_clock::now();
        window.renderWindow();
        const auto end = std::chrono::steady_clock::now();
        ImGui::Render();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
      }
    });
  }
};

std::shared_ptr<rankwatch> pluginWithTally(World& world) {
  auto plugin = std::make_shared<rankwatch>();
  world.open(plugin, "rankwatch");
  *plugin->mmrChange = 12.5f;
  *plugin->streak = 3;
  *plugin->wins = 7;
  *plugin->losses = 4;
  plugin->publish();
  return plugin;
}

void BM_FramePlainWindow(benchmark::State& state) {
  World world;
  world.open(std::make_shared<PlainWindow>(), "plain");
  world.run(state);
}

void BM_FramePluginWindow(benchmark::State& state) {
  World world;
  pluginWithTally(world);
  world.run(state);
}

void BM_FramePluginPage(benchmark::State& state) {
  World world;
  pluginWithTally(world);
  std::string error;
  world.host.gui().showSettings("rankwatch", error);
  world.run(state);
}

void BM_DrawPlainWindow(benchmark::State& state) {
  World world;
  auto plain = std::make_shared<PlainWindow>();
  world.open(plain, "plain");
  world.runDrawCall(state, *plain);
}

void BM_DrawPluginWindow(benchmark::State& state) {
  World world;
  auto plugin = pluginWithTally(world);
  world.runDrawCall(state, *plugin);
}

}  // namespace

BENCHMARK(BM_FramePlainWindow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramePluginWindow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramePluginPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawPlainWindow)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawPluginWindow)->UseManualTime()->Unit(benchmark::kMicrosecond);
