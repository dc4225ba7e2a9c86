#include "config_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace host {

namespace {

bool validName(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (c == '"' || c == ' ' || c == '\t' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
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
    if (c == '\\' && i < rest.size() && (rest[i] == '"' || rest[i] == '\\')) {
      c = rest[i++];
    } else if (c == '\\' && i < rest.size() && rest[i] == 'n') {
      c = '\n';
      ++i;
    }
    value += c;
  }
  return false;
}

std::string quote(const std::string& value) {
  std::string out = "\"";
  for (char c : value) {
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::filesystem::path configFile(const std::filesystem::path& folder) {
  return folder / "config.cfg";
}

ConfigContents readConfig(const std::filesystem::path& file) {
  ConfigContents contents;
  std::error_code exists;
  if (!std::filesystem::exists(file, exists)) return contents;
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    contents.problems.push_back(file.string() + ": cannot be read, starting without it");
    return contents;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, 2, "//") == 0) continue;
    size_t end = line.find_first_of(" \t", start);
    std::string name = line.substr(start, end == std::string::npos ? end : end - start);
    std::string value;
    if (end == std::string::npos || !validName(name) || line.find('\0') != std::string::npos ||
        !readQuoted(line.substr(end), value)) {
      contents.problems.push_back(file.string() + ":" + std::to_string(number) +
                                  ": not a `name \"value\"` line, skipped");
      continue;
    }
    contents.values[name] = value;
  }
  if (in.bad()) contents.problems.push_back(file.string() + ": read failed part way");
  return contents;
}

bool writeConfig(const std::filesystem::path& file,
                 const std::map<std::string, std::string>& values, std::string& error) {
  std::error_code failure;
  std::filesystem::create_directories(file.parent_path(), failure);
  if (failure) {
    error = "cannot create " + file.parent_path().string() + ": " + failure.message();
    return false;
  }
  std::ostringstream text;
  text << "// rankwatch-host settings, written on exit and by writeconfig\n";
  for (const auto& [name, value] : values) {
    if (validName(name)) text << name << ' ' << quote(value) << '\n';
  }
  const std::string data = text.str();
  const std::filesystem::path temporary = file.string() + ".tmp";

#if defined(_WIN32)
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << data;
    out.flush();
    if (!out) {
      error = "cannot write " + temporary.string();
      return false;
    }
  }
#else
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
    return false;
  }
  size_t written = 0;
  while (written < data.size()) {
    ssize_t n = ::write(fd, data.data() + written, data.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
      ::close(fd);
      std::filesystem::remove(temporary, failure);
      return false;
    }
    written += static_cast<size_t>(n);
  }
  // On disk before the rename, or a crash could leave an empty file in the old one's place.
  const bool synced = ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!synced || !closed) {
    error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
    std::filesystem::remove(temporary, failure);
    return false;
  }
#endif
  std::filesystem::rename(temporary, file, failure);
  if (failure) {
    error = "cannot replace " + file.string() + ": " + failure.message();
    std::filesystem::remove(temporary, failure);
    return false;
  }
  return true;
}

}  // namespace host
