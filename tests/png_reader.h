#pragma once

// Reads a PNG back for tests that check pictures by their pixels.

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>

#include "gui/image.h"

inline host::Image readPng(const std::string& path) {
  png_image png;
  std::memset(&png, 0, sizeof(png));
  png.version = PNG_IMAGE_VERSION;
  host::Image image;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    ADD_FAILURE() << png.message;
    return image;
  }
  png.format = PNG_FORMAT_RGBA;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.rgba.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
    ADD_FAILURE() << png.message;
  }
  return image;
}
