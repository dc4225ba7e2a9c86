#pragma once

#include <string>

#include "gui/image.h"

namespace host {

// On failure no partial file is left behind.
bool writePng(const Image& image, const std::string& path, std::string& error);

}  // namespace host
