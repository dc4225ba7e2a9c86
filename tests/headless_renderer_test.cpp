// The off-screen renderer behind screenshots: frames drawn and read back without a display,
// and the PNG files written from them.

#include "gui/headless_renderer.h"
#include "gui/png_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "coloured_text_frame.h"
#include "png_reader.h"

namespace {

namespace frame = coloured_text_frame;
namespace fs = std::filesystem;

class HeadlessRendererTest : public ::testing::Test {
 protected:
  void SetUp() override { context_ = frame::createContext(); }
  void TearDown() override {
    renderer_.reset();
    ImGui::DestroyContext(context_);
  }

  void createRenderer() {
    std::string error;
    renderer_ = host::HeadlessRenderer::create(frame::kScreenWidth, frame::kScreenHeight, error);
    ASSERT_NE(renderer_, nullptr) << error;
  }

  host::Image render(ImDrawData* data) {
    host::Image image;
    std::string error;
    EXPECT_TRUE(renderer_->render(data, image, error)) << error;
    return image;
  }

  ImGuiContext* context_ = nullptr;
  std::unique_ptr<host::HeadlessRenderer> renderer_;
};

TEST_F(HeadlessRendererTest, ShowsTextDrawnBeforeTheRendererExistedAndSavesIt) {
  ImDrawData* data = frame::draw();  // font TexID still null here
  createRenderer();
  const host::Image image = render(data);
  ASSERT_EQ(image.width, frame::kScreenWidth);
  ASSERT_EQ(image.height, frame::kScreenHeight);
  frame::expectTextLines(image);

  const fs::path path =
      fs::temp_directory_path() / ("headless_" + std::to_string(getpid()) + ".png");
  std::string error;
  ASSERT_TRUE(host::writePng(image, path.string(), error)) << error;
  EXPECT_EQ(readPng(path.string()).rgba, image.rgba);
  fs::remove(path);
}

TEST_F(HeadlessRendererTest, RendersSuccessiveFramesOverTheClearColour) {
  createRenderer();
  renderer_->setClearColor(ImVec4(0, 0, 1, 1));
  for (int i = 0; i < 3; ++i) {
    const host::Image image = render(frame::draw());
    ASSERT_EQ(image.rgba.size(), size_t(frame::kScreenWidth) * frame::kScreenHeight * 4);
    frame::expectTextLines(image);
    const unsigned char* last = &image.rgba[image.rgba.size() - 4];
    EXPECT_EQ(std::vector<int>(last, last + 4), (std::vector<int>{0, 0, 255, 255}));
  }
}

TEST(HeadlessRendererEnvironment, FailsWithAMessageWhenNoOpenGLDriverIsFound) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process reads the env below
  EXPECT_EXIT(
      {
        setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/vendor.json", 1);
        ImGui::CreateContext();
        std::string error;
        const bool failed = host::HeadlessRenderer::create(64, 64, error) == nullptr;
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(failed && !error.empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "EGL: ");
}

host::Image gradient(int width, int height) {
  host::Image image{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.rgba.insert(image.rgba.end(),
                        {static_cast<unsigned char>(x * 5), static_cast<unsigned char>(y * 20), 7,
                         static_cast<unsigned char>(255 - x)});
  return image;
}

class PngWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("png_writer_test_" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
};

TEST_F(PngWriterTest, KeepsStraightAlphaAndUnpaddedRows) {
  const host::Image image = gradient(37, 11);
  const std::string path = (dir_ / "gradient.png").string();
  std::string error;
  ASSERT_TRUE(host::writePng(image, path, error)) << error;
  const host::Image decoded = readPng(path);
  EXPECT_EQ(decoded.width, 37);
  EXPECT_EQ(decoded.height, 11);
  EXPECT_EQ(decoded.rgba, image.rgba);
}

TEST_F(PngWriterTest, ReportsAnUnwritablePath) {
  const std::string path = (dir_ / "missing" / "frame.png").string();
  std::string error;
  EXPECT_FALSE(host::writePng(gradient(4, 4), path, error));
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
