// Files a statement names, found from the scenario's folder.

#include "script/named_files.h"

#include <cerrno>
#include <cstring>

namespace host {

namespace {

// "no such file", "it is a folder", or the system's reason for `error` (an errno value).
std::string whyUnreadable(const std::filesystem::path& file, int error) {
  std::error_code failure;
  const std::filesystem::file_status status = std::filesystem::status(file, failure);
  if (!std::filesystem::exists(status)) return "no such file";
  if (std::filesystem::is_directory(status)) return "it is a folder";
  return std::strerror(error);
}

}  // namespace

std::filesystem::path named(const std::filesystem::path& folder, const std::string& name) {
  const std::filesystem::path path(name);
  return folder.empty() || path.is_absolute() ? path : folder / path;
}

std::unique_ptr<std::ifstream> openFile(const std::filesystem::path& file, std::string& reason) {
  errno = 0;
  auto in = std::make_unique<std::ifstream>(file, std::ios::binary);
  const int error = errno;
  std::error_code failure;
  // A folder opens for reading on Linux, and then every read fails.
  if (*in && !std::filesystem::is_directory(file, failure)) return in;
  reason = whyUnreadable(file, error);
  return nullptr;
}

bool readWholeFile(const std::filesystem::path& file, std::string& bytes, std::string& reason) {
  const std::unique_ptr<std::ifstream> in = openFile(file, reason);
  if (!in) return false;
  bytes.clear();
  char chunk[64 * 1024];
  // read() reports a failed read in the stream's state; iterating the buffer would throw it.
  while (in->read(chunk, sizeof chunk) || in->gcount() > 0) {
    bytes.append(chunk, static_cast<size_t>(in->gcount()));
  }
  if (in->bad()) {
    reason = whyUnreadable(file, errno);
    return false;
  }
  return true;
}

}  // namespace host
