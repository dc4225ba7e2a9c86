#pragma once

// The saved settings: one `name "value"` line per variable in <folder>/config.cfg. Inside the
// quotes, \" and \\ stand for themselves and \n for a line break. Blank lines and lines starting
// with // are skipped. The file is the user's too: saving keeps their comments, their order and
// the lines it could not read.

#include <filesystem>
#include <iosfwd>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace host {

struct ConfigContents {
  std::map<std::string, std::string> values;
  std::map<std::string, int> lineOf;  // the line each value was read from, counting from 1
  // Names found on lines that could not be read: what the user meant for them is unknown.
  std::set<std::string> damaged;
  std::vector<std::string> problems;  // one line each, naming the file and line
  std::vector<std::string> lines;     // the file as read, for writing the values back into
};

// A missing file is an empty config; a line that cannot be read is reported and skipped.
ConfigContents readConfig(const std::filesystem::path& file);
// The same for text already open; `name` names it in the problems.
ConfigContents readConfig(std::istream& in, const std::string& name);

// The lines of a config file with `values` written in: a value's line gets its value, every
// other line stays as it was, and names without a line are added at the end. Empty `asRead`:
// a new file. A value with a NUL character would not read back; the console refuses them.
std::vector<std::string> mergeValues(const std::vector<std::string>& asRead,
                                     const std::map<std::string, std::string>& values);

// Replaces the file whole (replace_file.h); false, with a reason, when it cannot.
bool writeConfig(const std::filesystem::path& file, const std::vector<std::string>& lines,
                 std::string& error);

std::filesystem::path configFile(const std::filesystem::path& folder);
// The GUI's window places file in the same folder (gui/gui_ini.h).
std::filesystem::path windowPlacesFile(const std::filesystem::path& folder);

// Makes `folder` ready to keep settings in, creating it when missing. False, with a reason,
// when it is not a folder, cannot be made, or its config file or window places file is not a
// file.
bool prepareConfigFolder(const std::filesystem::path& folder, std::string& error);

}  // namespace host
