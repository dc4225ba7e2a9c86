#include "gui/gui_ini.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace host {

namespace {

enum class Section { None, Window, Table };

// Whether `line` is all of `format` with its `count` numbers, as the library reads them.
bool readsAs(const std::string& line, const char* format, int count) {
  int a = 0;
  int b = 0;
  int used = -1;
  const int read = count == 2 ? std::sscanf(line.c_str(), format, &a, &b, &used)
                              : std::sscanf(line.c_str(), format, &a, &used);
  return read == count && used == static_cast<int>(line.size());
}

// Whether the library uses the line; a header moves `section` on as the library does.
bool usable(const std::string& line, Section& section) {
  if (line.find('\0') != std::string::npos) return false;
  if (line.empty() || line[0] == ';') return true;
  if (line[0] == '[' && line.back() == ']') {
    // "[Type][Name]"; the name may hold brackets of its own.
    const size_t split = line.find("][");
    if (split == std::string::npos) return false;
    const std::string type = line.substr(1, split - 1);
    section = type == "Window" ? Section::Window : type == "Table" ? Section::Table : Section::None;
    return section != Section::None;
  }
  switch (section) {
    case Section::None:
      return false;
    case Section::Table:
      return true;  // the library's own tables; the host makes none
    case Section::Window:
      return readsAs(line, "Pos=%i,%i%n", 2) || readsAs(line, "Size=%i,%i%n", 2) ||
             readsAs(line, "Collapsed=%d%n", 1);
  }
  return false;
}

}  // namespace

std::vector<std::string> checkGuiIni(const std::filesystem::path& file) {
  std::error_code failure;
  const std::filesystem::file_status status = std::filesystem::status(file, failure);
  if (!std::filesystem::exists(status)) return {};
  if (!std::filesystem::is_regular_file(status)) {
    return {file.string() + ": is not a file; window places are not kept"};
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    return {file.string() + ": cannot be read (" + std::strerror(errno) +
            "); windows start at their default places"};
  }
  return checkGuiIni(in, file.string());
}

std::vector<std::string> checkGuiIni(std::istream& in, const std::string& name) {
  std::vector<std::string> problems;
  Section section = Section::None;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!usable(line, section)) {
      problems.push_back(name + ":" + std::to_string(number) +
                         ": not a window place line; skipped, and left out when the GUI next "
                         "writes the file");
    }
  }
  return problems;
}

}  // namespace host
