// Reading and saving config.cfg, keeping the user's own lines where they were.

#include "config_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <utility>

#include "replace_file.h"

namespace host {

namespace {

bool validName(const std::string& name) {
  return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
    return c == '"' || c == ' ' || static_cast<unsigned char>(c) < 0x20;
  });
}

// Reads `"text"` from `rest`; false if it is not exactly one quoted text.
bool readQuoted(const std::string& rest, std::string& value) {
  size_t i = 0;
  while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
  if (i == rest.size() || rest[i] != '"') return false;
  ++i;
  value.clear();
  while (i < rest.size()) {
    char c = rest[i++];
    if (c == '"') {
      while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t' || rest[i] == '\r')) ++i;
      return i == rest.size();
    }
    if (c == '\\' && i < rest.size() && (rest[i] == '"' || rest[i] == '\\' || rest[i] == 'n')) {
      c = rest[i] == 'n' ? '\n' : rest[i];
      ++i;
    }
    value += c;
  }
  return false;
}

std::string quote(const std::string& value) {
  std::string out = "\"";
  for (char c : value) {
    if (c == '"' || c == '\\' || c == '\n') out += '\\';
    out += c == '\n' ? 'n' : c;
  }
  return out + "\"";
}

// What one line of the file holds.
struct Line {
  enum Kind { Skipped, Value, Damaged } kind = Skipped;
  std::string name;  // for a damaged line, when its first word could be a name
  std::string value;
};

Line readLine(std::string text) {
  Line line;
  if (!text.empty() && text.back() == '\r') text.pop_back();
  size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos || text.compare(start, 2, "//") == 0) return line;
  size_t end = text.find_first_of(" \t", start);
  std::string name = text.substr(start, end == std::string::npos ? end : end - start);
  if (validName(name)) line.name = name;
  const bool read = end != std::string::npos && !line.name.empty() &&
                    text.find('\0') == std::string::npos &&
                    readQuoted(text.substr(end), line.value);
  line.kind = read ? Line::Value : Line::Damaged;
  return line;
}

}  // namespace

std::filesystem::path configFile(const std::filesystem::path& folder) {
  return folder / "config.cfg";
}

std::filesystem::path windowPlacesFile(const std::filesystem::path& folder) {
  return folder / "gui.ini";
}

ConfigContents readConfig(const std::filesystem::path& file) {
  ConfigContents contents;
  std::error_code failure;
  const std::filesystem::file_status status = std::filesystem::status(file, failure);
  if (!std::filesystem::exists(status)) return contents;
  if (!std::filesystem::is_regular_file(status)) {
    contents.problems.push_back(file.string() +
                                ": is not a file; the settings start from their defaults");
    return contents;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    contents.problems.push_back(file.string() + ": cannot be read (" + std::strerror(errno) +
                                "); the settings start from their defaults");
    return contents;
  }
  return readConfig(in, file.string());
}

ConfigContents readConfig(std::istream& in, const std::string& name) {
  ConfigContents contents;
  std::string text;
  while (std::getline(in, text)) {
    contents.lines.push_back(text);
    const int number = static_cast<int>(contents.lines.size());
    Line line = readLine(text);
    if (line.kind == Line::Value) {
      contents.values[line.name] = line.value;
      contents.lineOf[line.name] = number;
      contents.damaged.erase(line.name);
    } else if (line.kind == Line::Damaged) {
      contents.problems.push_back(name + ":" + std::to_string(number) +
                                  ": not a `name \"value\"` line; skipped, and kept as it is");
      if (!line.name.empty() && !contents.values.count(line.name)) {
        contents.damaged.insert(line.name);
      }
    }
  }
  if (in.bad()) {
    contents.problems.push_back(name + ": read failed after line " +
                                std::to_string(contents.lines.size()));
  }
  return contents;
}

std::vector<std::string> mergeValues(const std::vector<std::string>& asRead,
                                     const std::map<std::string, std::string>& values) {
  std::vector<std::string> lines;
  if (asRead.empty())
    lines.push_back("// rankwatch-host settings, written on exit and by writeconfig");
  std::set<std::string> written;
  for (const std::string& text : asRead) {
    Line line = readLine(text);
    auto value = values.find(line.name);
    if (line.kind == Line::Value && value != values.end()) {
      lines.push_back(line.name + ' ' + quote(value->second));
      written.insert(line.name);
    } else {
      lines.push_back(text);
    }
  }
  for (const auto& [name, value] : values) {
    if (validName(name) && !written.count(name)) lines.push_back(name + ' ' + quote(value));
  }
  return lines;
}

bool prepareConfigFolder(const std::filesystem::path& folder, std::string& error) {
  std::error_code failure;
  const std::filesystem::file_status found = std::filesystem::status(folder, failure);
  if (std::filesystem::exists(found) && !std::filesystem::is_directory(found)) {
    error = folder.string() + ": is not a folder; name a folder to keep the settings in";
    return false;
  }
  std::filesystem::create_directories(folder, failure);
  if (failure) {
    error = folder.string() + ": cannot make the folder: " + failure.message();
    return false;
  }
  for (const auto& [file, kept] : {std::pair{configFile(folder), "the settings"},
                                   {windowPlacesFile(folder), "the window places"}}) {
    const std::filesystem::file_status status = std::filesystem::status(file, failure);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
      error = file.string() + ": is not a file; move it away to keep " + kept + " there";
      return false;
    }
  }
  return true;
}

bool writeConfig(const std::filesystem::path& file, const std::vector<std::string>& lines,
                 std::string& error) {
  std::error_code failure;
  std::filesystem::create_directories(file.parent_path(), failure);
  if (failure) {
    error = "cannot create " + file.parent_path().string() + ": " + failure.message();
    return false;
  }
  std::string data;
  for (const std::string& line : lines) data += line + '\n';
  std::string reason;
  if (replaceFile(file, data, reason)) return true;
  error = "cannot write " + file.string() + ": " + reason;
  return false;
}

}  // namespace host
