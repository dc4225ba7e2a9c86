#include "gui/png_writer.h"

#include <png.h>

#include <cassert>
#include <cstring>

namespace host {

bool writePng(const Image& image, const std::string& path, std::string& error) {
  assert(image.width > 0 && image.height > 0);
  assert(image.rgba.size() == static_cast<size_t>(image.width) * image.height * 4);

  png_image png;
  std::memset(&png, 0, sizeof(png));
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  // Screenshots are taken inside a frame loop: several times faster for
  // files up to four times larger (see bench/png_write_bench.cpp).
  png.flags = PNG_IMAGE_FLAG_FAST;
  // The simplified API removes the file itself if writing fails part way.
  if (!png_image_write_to_file(&png, path.c_str(), 0, image.rgba.data(), 0, nullptr)) {
    error = "cannot write PNG '" + path + "': " + png.message;
    png_image_free(&png);
    return false;
  }
  return true;
}

}  // namespace host
