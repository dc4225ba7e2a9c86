// The installed backend, waited for at its removal, and the trace's formatting of texts.

#include "hostsdk/backend.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "describe.h"

namespace hostsdk {

namespace {
std::atomic<Backend*> current{nullptr};
// Calls from any thread inside the backend now. Counted before the backend is read, so that a
// caller either sees none installed or is waited for.
std::atomic<int> callers{0};
// onUnloads returned so far, and the count as this thread's call came in. Every call reads the
// backend first thing.
std::atomic<std::uint64_t> unloadsEnded{0};
thread_local std::uint64_t enteredAt = 0;
std::mutex marking;
}  // namespace

void markUnloaded(std::atomic<std::uint64_t>& mark) {
  // The mark before the count: a call that sees the new count finds the mark set.
  std::lock_guard<std::mutex> lock(marking);
  const std::uint64_t next = unloadsEnded.load() + 1;
  mark.store(next);
  unloadsEnded.store(next);
}

std::uint64_t callEnteredAt() {
  return enteredAt;
}

void installBackend(Backend* backend) {
  current.store(backend);
  if (backend) return;
  while (callers.load() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

Backend* installedBackend() {
  enteredAt = unloadsEnded.load();
  return current.load(std::memory_order_acquire);
}

namespace detail {

HeldBackend::HeldBackend() {
  enteredAt = unloadsEnded.load();
  ++callers;
  backend_ = current.load();
}

HeldBackend::~HeldBackend() {
  --callers;
}

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

// "id(<platform>, <uid>)", with the Epic account id after the uid when there is one.
std::string identity(const UniqueIDWrapper& id) {
  const std::string text = idText(id);
  const std::string uid = std::to_string(idUid(id));
  return "id(" + std::to_string(static_cast<int>(idPlatform(id))) + ", " + uid +
         (text == uid ? std::string() : ", " + quoted(text)) + ")";
}

}  // namespace detail
}  // namespace hostsdk
