#pragma once

// Replacing a file whole: the new bytes go to a temporary file beside it (the file's name and
// ".tmp"), which is renamed over the old file only once all of it is on the disk. A failure
// leaves the old file as it was and no temporary file behind.

#include <filesystem>
#include <string>
#include <string_view>

namespace host {

// False, with the system's reason ("No space left on device"), when it could not be replaced.
bool replaceFile(const std::filesystem::path& file, std::string_view bytes, std::string& reason);

}  // namespace host
