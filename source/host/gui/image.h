#pragma once

#include <vector>

namespace host {

// 8-bit RGBA pixels, top row first, rows packed without padding.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgba;
};

}  // namespace host
