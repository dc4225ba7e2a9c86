#pragma once

// Writing a picture as a PNG file.

#include <string>

#include "gui/image.h"

namespace host {

// Replaces the file whole (replace_file.h): on failure a picture already there is kept and no
// partial file is left behind; `error` gives the system's reason.
bool writePng(const Image& image, const std::string& path, std::string& error);

}  // namespace host
