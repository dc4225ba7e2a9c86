// The off-screen colour buffer frames are drawn into and read back from.

#include "gui/gl_frame.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <backends/imgui_impl_opengl3.h>
#include <imgui.h>

#include <cassert>
#include <cstring>

namespace host {

bool GlFrame::create(int width, int height, std::string& error) {
  assert(width > 0 && height > 0 && framebuffer_ == 0);
  glGenRenderbuffers(1, &colour_);
  glBindRenderbuffer(GL_RENDERBUFFER, colour_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    destroy();
    error = "OpenGL: cannot create a " + std::to_string(width) + "x" + std::to_string(height) +
            " framebuffer (status " + std::to_string(status) + ")";
    return false;
  }
  width_ = width;
  height_ = height;
  return true;
}

void GlFrame::destroy() {
  if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
  if (colour_ != 0) glDeleteRenderbuffers(1, &colour_);
  framebuffer_ = colour_ = 0;
  width_ = height_ = 0;
}

void GlFrame::draw(ImDrawData* data, const ImVec4& clear) {
  assert(framebuffer_ != 0 && data != nullptr && data->Valid);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glViewport(0, 0, width_, height_);
  glDisable(GL_SCISSOR_TEST);
  glClearColor(clear.x, clear.y, clear.z, clear.w);
  glClear(GL_COLOR_BUFFER_BIT);
  // Frames drawn before the backend existed reference a null font texture.
  const ImTextureID font = ImGui::GetIO().Fonts->TexID;
  assert(font != nullptr);
  for (int i = 0; i < data->CmdListsCount; ++i) {
    for (ImDrawCmd& cmd : data->CmdLists[i]->CmdBuffer) {
      if (cmd.TextureId == nullptr) cmd.TextureId = font;
    }
  }
  ImGui_ImplOpenGL3_RenderDrawData(data);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

bool GlFrame::read(Image& out, std::string& error) const {
  assert(framebuffer_ != 0);
  const size_t row = static_cast<size_t>(width_) * 4;
  std::vector<unsigned char> pixels(row * height_);
  // Only errors raised by this read should count.
  for (int stale = 0; stale < 16 && glGetError() != GL_NO_ERROR; ++stale) {
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  if (const GLenum code = glGetError(); code != GL_NO_ERROR) {
    error = "OpenGL: reading the frame back failed (error " + std::to_string(code) + ")";
    return false;
  }
  // OpenGL hands rows over bottom first.
  out.width = width_;
  out.height = height_;
  out.rgba.resize(pixels.size());
  for (int y = 0; y < height_; ++y)
    std::memcpy(&out.rgba[y * row], &pixels[(height_ - 1 - y) * row], row);
  return true;
}

void GlFrame::blitToWindow(int windowWidth, int windowHeight) const {
  assert(framebuffer_ != 0);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glBlitFramebuffer(0, 0, width_, height_, 0, 0, windowWidth, windowHeight, GL_COLOR_BUFFER_BIT,
                    GL_LINEAR);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

}  // namespace host
