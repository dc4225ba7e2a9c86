#pragma once

// Files a statement names: a relative name is taken from the scenario file's folder, so a
// scenario reads and writes the same files from wherever it is run; statements from standard
// input take it from the current folder. A file that cannot be read is refused with the reason.

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace host {

// `name` in `folder` when it is relative; `folder` empty: as it is.
std::filesystem::path named(const std::filesystem::path& folder, const std::string& name);

// `file` open for reading; null, with the reason, when it cannot be read.
std::unique_ptr<std::ifstream> openFile(const std::filesystem::path& file, std::string& reason);

// The whole of `file`; false, with the reason, when it cannot be read.
bool readWholeFile(const std::filesystem::path& file, std::string& bytes, std::string& reason);

}  // namespace host
