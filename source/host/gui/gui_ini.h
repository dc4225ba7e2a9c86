#pragma once

// The GUI library's window places file, gui.ini in the config folder. The library passes over
// the lines it cannot use without a word and leaves them out when it writes the file again;
// the host reports them as it starts, as it reports damaged lines of config.cfg.

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

}  // namespace host
