#pragma once

// The config folder of a run that names none: made under the system's temporary folder and
// removed when the run ends, or by a second stop request, which ends the process at once
// (terminal.h). One at a time.

#include <filesystem>

namespace host {

// Empty when none could be made.
std::filesystem::path makeTemporaryFolder();
// Removes it, and what it holds.
void removeTemporaryFolder(const std::filesystem::path& folder);

}  // namespace host
