#pragma once

// The config folder of a run that names none: made under the system's temporary folder and
// removed when the run ends, or by a second stop request, which ends the process at once
// (terminal.h). One at a time.

#include <filesystem>
#include <mutex>

namespace host {

// Empty when none could be made.
std::filesystem::path makeTemporaryFolder();
// Removes it, and what it holds.
void removeTemporaryFolder(const std::filesystem::path& folder);
// Held while the run's end saves into the folder and removes it: a last stop request meanwhile
// waits for that (two seconds at most) rather than racing the removal or having the save make the
// folder again.
std::unique_lock<std::timed_mutex> holdTemporaryFolder();
// Whether the run's end holds it now, as a last stop request would find it. For tests, from a
// thread other than the holder's.
bool temporaryFolderHeld();

}  // namespace host
