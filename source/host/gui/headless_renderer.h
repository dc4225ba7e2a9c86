#pragma once

// The renderer for runs without a display: GUI draw data through Mesa's EGL off-screen OpenGL
// and the GUI library's OpenGL3 backend.

#include <imgui.h>

#include <memory>
#include <string>

#include "gui/gl_frame.h"
#include "gui/image.h"

namespace host {

class HeadlessRenderer {
 public:
  // Creates a GL context and initialises the OpenGL3 backend, font texture
  // included, on the current ImGui context.
  static std::unique_ptr<HeadlessRenderer> create(int width, int height, std::string& error);
  // Must run while the same ImGui context is current.
  ~HeadlessRenderer();
  HeadlessRenderer(const HeadlessRenderer&) = delete;
  HeadlessRenderer& operator=(const HeadlessRenderer&) = delete;

  // Renders one frame over a cleared background and reads it back.
  bool render(ImDrawData* data, Image& out, std::string& error);
  void setClearColor(const ImVec4& colour) { clear_ = colour; }

 private:
  HeadlessRenderer() = default;
  bool makeCurrent(std::string& error);
  void release();

  void* display_ = nullptr;  // EGLDisplay
  void* context_ = nullptr;  // EGLContext
  ImGuiContext* imgui_ = nullptr;
  bool backend_ = false;
  GlFrame frame_;
  ImVec4 clear_{0.0f, 0.0f, 0.0f, 1.0f};
};

}  // namespace host
