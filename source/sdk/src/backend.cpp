#include "hostsdk/backend.h"

#include <atomic>
#include <charconv>
#include <cstdio>

#include "describe.h"

namespace hostsdk {

namespace {
std::atomic<Backend*> current{nullptr};
}

void installBackend(Backend* backend) {
  current.store(backend, std::memory_order_release);
}

Backend* installedBackend() {
  return current.load(std::memory_order_acquire);
}

namespace detail {

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string number(float value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string number(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// "id(<platform>, <uid>)", with the Epic account id after the uid when there is one.
std::string identity(const UniqueIDWrapper& id) {
  const std::string text = idText(id);
  const std::string uid = std::to_string(idUid(id));
  return "id(" + std::to_string(static_cast<int>(idPlatform(id))) + ", " + uid +
         (text == uid ? std::string() : ", " + quoted(text)) + ")";
}

}  // namespace detail
}  // namespace hostsdk
