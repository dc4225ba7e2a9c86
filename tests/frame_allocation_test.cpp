// The window is drawn sixty times a second: the plugin's own code must not allocate there. The
// global operator new is replaced to count, so this runs as its own program. The GUI library
// allocates through malloc, so what is counted is the plugin's own C++ allocations. The same
// count shows that the library's release gives back all that its factory took.

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "harness.h"
#include "replaced_new.h"

extern "C" std::uintptr_t getPlugin();
extern "C" void deleteMe();

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

}  // namespace

void* allocate(std::size_t size, std::size_t alignment) {
  if (counting) ++allocations;
  return takeMemory(size, alignment);
}

namespace {

// One GUI frame in the host's context around `draw`; the operator new calls inside `draw`.
template <typename Draw>
long allocationsWhile(ImGuiContext* context, Draw draw) {
  ImGui::SetCurrentContext(context);
  ImGui::NewFrame();
  allocations = 0;
  counting = true;
  draw();
  counting = false;
  ImGui::Render();
  return allocations;
}

TEST(Module, ReleaseGivesBackAllThatTheFactoryTook) {
  // The first object leaves the library's list of live objects its room, which stays.
  getPlugin();
  deleteMe();
  const long releasedBefore = releasedBlocks;
  allocations = 0;
  counting = true;
  getPlugin();
  deleteMe();
  counting = false;
  EXPECT_GT(allocations, 0);
  EXPECT_EQ(releasedBlocks - releasedBefore, allocations);
}

TEST(FrameAllocation, TheGuiLibraryDoesNotAllocateThroughOperatorNew) {
  ImGuiContext* context = ImGui::CreateContext();
  ImGui::GetIO().IniFilename = nullptr;
  ImGui::GetIO().DisplaySize = ImVec2(640, 480);
  ImGui::GetIO().Fonts->Build();
  // A new window's first frame: the library allocates plenty, all of it through malloc.
  const int before = ImGui::GetIO().MetricsActiveAllocations;
  const long counted = allocationsWhile(context, [] {
    for (const char* name : {"one", "two"}) {
      ImGui::Begin(name, nullptr, ImGuiWindowFlags_AlwaysAutoResize);
      ImGui::TextColored(ImVec4(1, 1, 0, 1), "MMR : %+.2f", 12.5);
      ImGui::Text("Wins : %d", 3);
      ImGui::End();
    }
  });
  EXPECT_EQ(counted, 0);
  EXPECT_GT(ImGui::GetIO().MetricsActiveAllocations, before + 2);
  ImGui::DestroyContext(context);
}

TEST(FrameAllocation, ASteadyOpenWindowAllocatesNothing) {
  testing_support::Harness harness;
  rankwatch& plugin = harness.load();
  harness.console("openmenu rankwatch");
  harness.host->gui().frame();
  ImGuiContext* context = harness.host->gui().context();
  for (bool round : {false, true}) {
    for (bool autoResize : {true, false}) {
      *plugin.roundMmr = round;
      *plugin.autoResize = autoResize;
      *plugin.mmrChange = round ? -12.5f : 1234.56f;
      *plugin.streak = autoResize ? 4 : -4;
      plugin.publish();
      EXPECT_EQ(allocationsWhile(context, [&] { plugin.renderWindow(); }), 0)
          << "round " << round << " autoresize " << autoResize;
    }
  }
  EXPECT_EQ(allocationsWhile(context, [&] { plugin.shouldBlockInput(); }), 0);
  // The settings page, open in the host's tab; the host's item hooks, which count what the page
  // draws, are the host's allocations.
  context->TestEngineHookItems = false;
  EXPECT_EQ(allocationsWhile(context,
                             [&] {
                               ImGui::Begin("Plugins");
                               plugin.renderSettings();
                               ImGui::End();
                             }),
            0);

  // The frame that closes the window issues a command, and the count sees it.
  plugin.windowOpen = false;
  EXPECT_GT(allocationsWhile(context, [&] { plugin.renderWindow(); }), 0);
}

}  // namespace
