// Screenshots as PNG files: compressed in memory, then put in place whole.

#include "gui/png_writer.h"

#include <png.h>

#include <cassert>
#include <vector>

#include "replace_file.h"

namespace host {

bool writePng(const Image& image, const std::string& path, std::string& error) {
  assert(image.width > 0 && image.height > 0);
  assert(image.rgba.size() == static_cast<size_t>(image.width) * image.height * 4);

  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  // Screenshots are taken inside a frame loop: several times faster for
  // files up to four times larger (see bench/png_write_bench.cpp).
  png.flags = PNG_IMAGE_FLAG_FAST;
  // Room for the worst case, so one pass compresses it.
  std::vector<unsigned char> bytes(PNG_IMAGE_PNG_SIZE_MAX(png));
  png_alloc_size_t size = bytes.size();
  const bool compressed =
      png_image_write_to_memory(&png, bytes.data(), &size, 0, image.rgba.data(), 0, nullptr);
  png_image_free(&png);
  std::string reason;
  if (!compressed) {
    reason = png.message;
  } else if (replaceFile(path, {reinterpret_cast<const char*>(bytes.data()), size}, reason)) {
    return true;
  }
  error = "cannot write PNG '" + path + "': " + reason;
  return false;
}

}  // namespace host
