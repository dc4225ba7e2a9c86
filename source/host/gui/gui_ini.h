#pragma once

// The GUI library's window places file, gui.ini in the config folder. The library passes over
// the lines it cannot use without a word and leaves them out when it writes the file again; the
// host reports them as it starts, as for config.cfg. The library reads and writes the text, the
// host the file, replacing it whole (replace_file.h).

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace host {

// One line for each damaged line, naming the file and line; one for a file that cannot be
// read. A missing file is no problem.
std::vector<std::string> checkGuiIni(const std::filesystem::path& file);
// The same for text already open; `name` names it in the problems.
std::vector<std::string> checkGuiIni(std::istream& in, const std::string& name);

// Reads the places in `file` into the current GUI context; a file that cannot be read is none.
// False when something other than a file is in its place: no places are kept there
// (checkGuiIni tells).
bool readWindowPlaces(const std::string& file);
// Writes the current GUI context's places to `file`; false, with the reason, when it cannot.
bool writeWindowPlaces(const std::string& file, std::string& error);

}  // namespace host
