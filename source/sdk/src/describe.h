#pragma once

// Formatting of SDK calls for the host's trace.

#include <charconv>
#include <string>

#include "hostsdk/backend.h"

namespace hostsdk::detail {

std::string quoted(const std::string& text);
// The shortest text that reads back as `value`.
template <typename T>
std::string number(T value) {
  char buffer[32];
  const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}
inline std::string boolean(bool value) {
  return value ? "true" : "false";
}
std::string identity(const UniqueIDWrapper& id);

// The installed backend, for a call that may come from any thread: the host does not go away
// while it is held. Null when none is installed.
class HeldBackend {
 public:
  HeldBackend();
  ~HeldBackend();
  HeldBackend(const HeldBackend&) = delete;
  HeldBackend& operator=(const HeldBackend&) = delete;
  Backend* get() const { return backend_; }

 private:
  Backend* backend_;
};

// Reports one call to the installed backend; `describe` runs only if the host wants the text.
template <typename Describe>
void note(Describe describe) {
  if (Backend* backend = installedBackend()) backend->noteCall(describe);
}

}  // namespace hostsdk::detail
