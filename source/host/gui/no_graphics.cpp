// The Windows host draws no pictures: it has neither the off-screen renderer nor the live
// window, and says so when asked. Frames, their text and window states work as everywhere.

#include "gui/headless_renderer.h"
#include "gui/live_window.h"
#include "gui/png_writer.h"

namespace host {

constexpr char kNoPictures[] = "pictures are not available in the Windows host";
constexpr char kNoWindow[] = "a live window is not available in the Windows host";

std::unique_ptr<HeadlessRenderer> HeadlessRenderer::create(int, int, std::string& error) {
  error = kNoPictures;
  return nullptr;
}

HeadlessRenderer::~HeadlessRenderer() = default;

bool HeadlessRenderer::render(ImDrawData*, Image&, std::string& error) {
  error = kNoPictures;
  return false;
}

std::unique_ptr<LiveWindow> LiveWindow::create(int, int, const std::string&, std::string& error) {
  error = kNoWindow;
  return nullptr;
}

bool LiveWindow::available(std::string& error) {
  error = kNoWindow;
  return false;
}

bool LiveWindow::displayLost() {
  return false;
}

LiveWindow::~LiveWindow() = default;

bool LiveWindow::beginFrame() {
  return false;
}

void LiveWindow::present(ImDrawData*) {}

bool LiveWindow::readPixels(Image&, std::string& error) {
  error = kNoWindow;
  return false;
}

bool writePng(const Image&, const std::string&, std::string& error) {
  error = kNoPictures;
  return false;
}

}  // namespace host
