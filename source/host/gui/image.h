#pragma once

// Pictures as the host keeps them: RGBA pixels, and parts of them.

#include <algorithm>
#include <cassert>
#include <vector>

namespace host {

// 8-bit RGBA pixels, top row first, rows packed without padding.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgba;
};

// A part of an image, in pixels from its top left corner.
struct Region {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The pixels of `part`, which lies within `image`.
inline Image cropped(const Image& image, const Region& part) {
  assert(part.x >= 0 && part.y >= 0 && part.width > 0 && part.height > 0);
  assert(part.x + part.width <= image.width && part.y + part.height <= image.height);
  Image out{part.width, part.height, {}};
  out.rgba.resize(static_cast<size_t>(part.width) * part.height * 4);
  for (int row = 0; row < part.height; ++row) {
    const auto from =
        image.rgba.begin() + ((static_cast<size_t>(part.y) + row) * image.width + part.x) * 4;
    std::copy(from, from + part.width * 4,
              out.rgba.begin() + static_cast<size_t>(row) * part.width * 4);
  }
  return out;
}

}  // namespace host
