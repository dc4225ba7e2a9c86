#pragma once

// The window on the display that shows the game screen live: a GLFW window, its input fed to
// the current GUI context. It keeps its size, so io.DisplaySize stays the game-screen size. One
// at a time, on the render thread.

#include <imgui.h>

#include <memory>
#include <string>

#include "gui/gl_frame.h"
#include "gui/image.h"

struct GLFWwindow;

namespace host {

class LiveWindow {
 public:
  static std::unique_ptr<LiveWindow> create(int width, int height, const std::string& title,
                                            std::string& error);
  // Whether a window can be shown at all (a display is there); false, with the reason, if not.
  static bool available(std::string& error);
  // Whether the display of a live window went away in this process, at any time. Any thread.
  static bool displayLost();
  // Must run while the same ImGui context is current.
  ~LiveWindow();
  LiveWindow(const LiveWindow&) = delete;
  LiveWindow& operator=(const LiveWindow&) = delete;

  // Polls input and starts the backends' frame; false once the user closed the window or its
  // display went away.
  bool beginFrame();
  // Why the window is gone without being closed: its display went away. Empty while it is there.
  const std::string& lost() const { return lost_; }
  void present(ImDrawData* data);
  // The last presented frame, for screenshots.
  bool readPixels(Image& out, std::string& error);

 private:
  LiveWindow() = default;

  GLFWwindow* window_ = nullptr;
  ImGuiContext* imgui_ = nullptr;
  bool glfwBackend_ = false;
  bool glBackend_ = false;
  bool presented_ = false;
  std::string lost_;
  GlFrame frame_;
};

}  // namespace host
