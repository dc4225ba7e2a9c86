#pragma once

// An off-screen colour buffer the GUI library's OpenGL3 backend draws into, so a finished frame
// can still be read back after a window has swapped. Every call needs the owning GL context
// current; names left undestroyed go away with that context.

#include <string>

#include "gui/image.h"

struct ImDrawData;
struct ImVec4;

namespace host {

class GlFrame {
 public:
  GlFrame() = default;
  GlFrame(const GlFrame&) = delete;
  GlFrame& operator=(const GlFrame&) = delete;

  bool create(int width, int height, std::string& error);
  void destroy();

  // Clears to `clear` and draws `data`; commands without a texture get the font atlas.
  void draw(ImDrawData* data, const ImVec4& clear);
  bool read(Image& out, std::string& error) const;
  void blitToWindow(int windowWidth, int windowHeight) const;

 private:
  unsigned framebuffer_ = 0;
  unsigned colour_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace host
