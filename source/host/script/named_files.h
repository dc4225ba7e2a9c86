#pragma once

// Files a statement names: a relative name is taken from the scenario file's folder, so a
// scenario reads and writes the same files from wherever it is run; statements from standard
// input take it from the current folder. A file that cannot be read is refused with the reason.

#include <filesystem>
#include <string>

namespace host {

// `name` in `folder` when it is relative; `folder` empty: as it is.
std::filesystem::path named(const std::filesystem::path& folder, const std::string& name);

// Why `file` cannot be read: "no such file", "it is a folder", or the system's reason for
// `error` (an errno value).
std::string whyUnreadable(const std::filesystem::path& file, int error);

// The whole of `file`; false, with the reason, when it cannot be read.
bool readWholeFile(const std::filesystem::path& file, std::string& bytes, std::string& reason);

}  // namespace host
