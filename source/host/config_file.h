#pragma once

// The saved settings: one `name "value"` line per variable in <folder>/config.cfg. Inside the
// quotes, \" and \\ stand for themselves and \n for a line break. Blank lines and lines starting
// with // are skipped.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace host {

struct ConfigContents {
  std::map<std::string, std::string> values;
  std::vector<std::string> problems;  // one line each, naming the file and line
};

// A missing file is an empty config; a line that cannot be read is reported and skipped.
ConfigContents readConfig(const std::filesystem::path& file);

// Writes a temporary file next to the config and renames it over the old one, so the previous
// file survives a crash while saving. False, with a reason, when it cannot.
bool writeConfig(const std::filesystem::path& file,
                 const std::map<std::string, std::string>& values, std::string& error);

std::filesystem::path configFile(const std::filesystem::path& folder);

}  // namespace host
