// Replacing a file whole: written beside it, then renamed into its place.

#include "replace_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace host {

namespace {

#if defined(_WIN32)
int openFresh(const std::filesystem::path& file) {
  return ::_wopen(file.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
}
long writeSome(int fd, const char* bytes, size_t size) {
  return ::_write(fd, bytes, static_cast<unsigned>(std::min<size_t>(size, 1u << 30)));
}
bool flushAndClose(int fd) {
  const bool flushed = ::_commit(fd) == 0;
  return ::_close(fd) == 0 && flushed;
}
#else
int openFresh(const std::filesystem::path& file) {
  return ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}
long writeSome(int fd, const char* bytes, size_t size) {
  return ::write(fd, bytes, size);
}
bool flushAndClose(int fd) {
  // On the disk before the rename, or a crash could leave an empty file in the old one's place.
  const bool flushed = ::fsync(fd) == 0;
  const int error = errno;
  const bool closed = ::close(fd) == 0;
  if (!flushed) errno = error;
  return flushed && closed;
}
#endif

}  // namespace

bool replaceFile(const std::filesystem::path& file, std::string_view bytes, std::string& reason) {
  const std::filesystem::path temporary = file.string() + ".tmp";
  std::error_code ignored;
  const int fd = openFresh(temporary);
  if (fd < 0) {
    reason = std::strerror(errno);
    return false;
  }
  bool written = true;
  for (size_t done = 0; written && done < bytes.size();) {
    const long n = writeSome(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      reason = std::strerror(errno);
      written = false;
    } else {
      done += static_cast<size_t>(n);
    }
  }
  if (!flushAndClose(fd) && written) {
    reason = std::strerror(errno);
    written = false;
  }
  if (written) {
    std::error_code failure;
    std::filesystem::rename(temporary, file, failure);
    if (!failure) return true;
    reason = failure.message();
  }
  std::filesystem::remove(temporary, ignored);
  return false;
}

}  // namespace host
