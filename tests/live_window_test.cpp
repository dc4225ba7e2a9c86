// The live window on a display (run under a virtual one): frames shown and read back, beside
// the off-screen renderer on the same thread, and the host showing the overlay in it.

#include "gui/live_window.h"
#include "gui/headless_renderer.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "coloured_text_frame.h"
#include "overlay_picture.h"
#include "png_reader.h"

namespace {

namespace frame = coloured_text_frame;

TEST(LiveWindowTest, FailsWithAMessageWithoutADisplay) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // GLFW must start fresh without DISPLAY
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        ImGui::CreateContext();
        std::string error;
        const bool failed = host::LiveWindow::create(64, 64, "test", error) == nullptr;
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(failed && !error.empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "GLFW: ");
}

TEST(LiveWindowTest, PresentsFramesAndReadsTheLastOneBack) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
  ImGuiContext* context = frame::createContext();
  {
    ImDrawData* early = frame::draw();  // before the window: font TexID still null
    std::string error;
    auto window = host::LiveWindow::create(frame::kScreenWidth, frame::kScreenHeight,
                                           "live window test", error);
    ASSERT_NE(window, nullptr) << error;

    host::Image image;
    window->present(early);
    ASSERT_TRUE(window->readPixels(image, error)) << error;
    frame::expectTextLines(image);

    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(window->beginFrame());
      EXPECT_EQ(ImGui::GetIO().DisplaySize.x, frame::kScreenWidth);
      EXPECT_EQ(ImGui::GetIO().DisplaySize.y, frame::kScreenHeight);
      window->present(frame::draw());
    }
    ASSERT_TRUE(window->readPixels(image, error)) << error;
    EXPECT_EQ(image.width, frame::kScreenWidth);
    EXPECT_EQ(image.height, frame::kScreenHeight);
    frame::expectTextLines(image);
  }
  ImGui::DestroyContext(context);
}

// glvnd aborts the process when GLX is made current over a current EGL context.
TEST(LiveWindowTest, SharesTheThreadWithAHeadlessRenderer) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
  ImGuiContext* offscreen = frame::createContext();
  std::string error;
  auto renderer = host::HeadlessRenderer::create(frame::kScreenWidth, frame::kScreenHeight, error);
  ASSERT_NE(renderer, nullptr) << error;
  ImGuiContext* onscreen = frame::createContext();
  auto window =
      host::LiveWindow::create(frame::kScreenWidth, frame::kScreenHeight, "shared", error);
  ASSERT_NE(window, nullptr) << error;

  for (int i = 0; i < 2; ++i) {
    host::Image image;
    ImGui::SetCurrentContext(onscreen);
    ASSERT_TRUE(window->beginFrame());
    window->present(frame::draw());
    ImGui::SetCurrentContext(offscreen);
    ASSERT_TRUE(renderer->render(frame::draw(), image, error)) << error;
    frame::expectTextLines(image);
    ImGui::SetCurrentContext(onscreen);
    ASSERT_TRUE(window->readPixels(image, error)) << error;
    frame::expectTextLines(image);
  }
  window.reset();
  ImGui::DestroyContext(onscreen);
  ImGui::SetCurrentContext(offscreen);
  renderer.reset();
  ImGui::DestroyContext(offscreen);
}

// The interactive host as a user runs it: statements typed on its input, the overlay drawn live.
TEST(LiveHostTest, ShowsTheOverlayLinesInItsWindow) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
  namespace fs = std::filesystem;
  struct Folder {
    fs::path path = fs::temp_directory_path() / ("live_host_" + std::to_string(getpid()));
    Folder() { fs::create_directories(path); }
    ~Folder() { fs::remove_all(path); }
  } folder;
  const std::string picture = (folder.path / "overlay.png").string();
  const std::string output = (folder.path / "output.txt").string();

  const std::string command = std::string("'") + RANKWATCH_HOST_FILE + "' --window --config '" +
                              folder.path.string() + "' > '" + output + "' 2>&1";
  FILE* host = popen(command.c_str(), "w");
  ASSERT_NE(host, nullptr);
  std::fputs(R"(load
console rankwatch_enabled 1
console rankwatch_addwin
console rankwatch_addwin
console rankwatch_addloss
wait 0.2
frame
window Rankwatch
)",
             host);
  std::fputs(("screenshot " + picture + "\nquit\n").c_str(), host);
  const int status = pclose(host);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

  std::ifstream lines(output);
  std::string line, drawn, described;
  while (std::getline(lines, line)) {
    if (line.rfind("frame: ", 0) == 0) drawn = line;
    if (line.rfind("window: ", 0) == 0) described = line;
    EXPECT_EQ(line.rfind("error: ", 0), std::string::npos) << line;
  }
  EXPECT_EQ(drawn, "frame: MMR : +0.00 | Streak : -1 | Wins : 2 | Losses : 1");
  overlay_picture::Box box{};
  ASSERT_EQ(
      std::sscanf(described.c_str(), "window: Rankwatch flags=%*d border=%*g pos=%d,%d size=%dx%d",
                  &box.x, &box.y, &box.width, &box.height),
      4)
      << described;
  overlay_picture::expectLines(readPng(picture), box);
}

}  // namespace
