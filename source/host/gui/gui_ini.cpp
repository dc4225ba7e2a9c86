// Reading and writing the window places file, gui.ini, and reporting its damaged lines.

#include "gui/gui_ini.h"

#include <imgui.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <utility>

#include "replace_file.h"

namespace host {

namespace {

enum class Section { None, Window, Table };

// What the library makes of a line: uses it, passes over it, or reads a window place from its
// start and drops the rest (its reader does not look past the numbers).
enum class Use { Whole, None, Start };

// Whether `line` starts with `format`'s `count` numbers, and whether it is all of them.
Use readsAs(const std::string& line, const char* format, int count) {
  int a = 0;
  int b = 0;
  int used = -1;
  const int read = count == 2 ? std::sscanf(line.c_str(), format, &a, &b, &used)
                              : std::sscanf(line.c_str(), format, &a, &used);
  if (read != count) return Use::None;
  return used == static_cast<int>(line.size()) ? Use::Whole : Use::Start;
}

// How the library uses the line; a header moves `section` on as the library does.
Use use(const std::string& line, Section& section) {
  const size_t zero = line.find('\0');
  if (zero != std::string::npos) {
    // The library reads a line as C text, so only what comes before a zero byte.
    const bool read = line[0] != '[' && section == Section::Window &&
                      use(line.substr(0, zero), section) != Use::None;
    return read ? Use::Start : Use::None;
  }
  if (line.empty() || line[0] == ';') return Use::Whole;
  if (line[0] == '[' && line.back() == ']') {
    // "[Type][Name]"; the name may hold brackets of its own.
    const size_t split = line.find("][");
    if (split == std::string::npos) return Use::None;
    const std::string type = line.substr(1, split - 1);
    section = type == "Window" ? Section::Window : type == "Table" ? Section::Table : Section::None;
    return section != Section::None ? Use::Whole : Use::None;
  }
  // The library's own tables pass; the host makes none.
  if (section != Section::Window) return section == Section::Table ? Use::Whole : Use::None;
  for (const auto& [format, count] :
       {std::pair{"Pos=%i,%i%n", 2}, {"Size=%i,%i%n", 2}, {"Collapsed=%d%n", 1}}) {
    const Use read = readsAs(line, format, count);
    if (read != Use::None) return read;
  }
  return Use::None;
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
    const Use read = use(line, section);
    const std::string where = name + ":" + std::to_string(number);
    if (read == Use::None) {
      problems.push_back(where +
                         ": not a window place line; skipped, and left out when the GUI next "
                         "writes the file");
    } else if (read == Use::Start) {
      problems.push_back(where +
                         ": text after the window place; the GUI takes the place and leaves "
                         "the rest out when it next writes the file");
    }
  }
  return problems;
}

bool readWindowPlaces(const std::string& file) {
  std::error_code failure;
  const std::filesystem::file_status status = std::filesystem::status(file, failure);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return false;
  ImGui::LoadIniSettingsFromDisk(file.c_str());
  return true;
}

bool writeWindowPlaces(const std::string& file, std::string& error) {
  size_t size = 0;
  const char* text = ImGui::SaveIniSettingsToMemory(&size);
  std::string reason;
  if (replaceFile(file, {text, size}, reason)) return true;
  error = "cannot write " + file + ": " + reason;
  return false;
}

}  // namespace host
