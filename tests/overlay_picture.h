#pragma once

// Finds the overlay's four lines in a picture by their text colours: no stored picture to
// compare against, so the check survives font and layout changes.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "gui/image.h"

namespace overlay_picture {

struct Box {
  int x, y, width, height;
};

enum Colour { kYellow, kSkyBlue, kGreen, kRed, kNone };

// Glyph cores only: the game screen behind the overlay has none of these.
inline Colour classify(const unsigned char* p) {
  const int r = p[0], g = p[1], b = p[2];
  if (r > 200 && g > 200 && b < 60) return kYellow;
  if (r < 60 && g > 150 && g < 230 && b > 200) return kSkyBlue;
  if (r < 60 && g > 200 && b < 60) return kGreen;
  if (r > 200 && g < 60 && b < 60) return kRed;
  return kNone;
}

// Each colour legible inside `box`, none outside it, yellow, sky blue, green and red lines one
// below the other.
inline void expectLines(const host::Image& image, const Box& box) {
  int count[kNone] = {}, top[kNone], bottom[kNone], outside = 0;
  std::fill(top, top + kNone, INT_MAX);
  std::fill(bottom, bottom + kNone, INT_MIN);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const Colour colour = classify(&image.rgba[(static_cast<size_t>(y) * image.width + x) * 4]);
      if (colour == kNone) continue;
      if (x < box.x || x >= box.x + box.width || y < box.y || y >= box.y + box.height) {
        ++outside;
        continue;
      }
      ++count[colour];
      top[colour] = std::min(top[colour], y);
      bottom[colour] = std::max(bottom[colour], y);
    }
  }
  EXPECT_EQ(outside, 0);
  for (int c = kYellow; c < kNone; ++c) {
    EXPECT_GT(count[c], 20) << "colour " << c;
    if (c > kYellow) {
      EXPECT_LT(bottom[c - 1], top[c]) << "colour " << c << " below " << c - 1;
    }
  }
}

}  // namespace overlay_picture
