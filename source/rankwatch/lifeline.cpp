#include "lifeline.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace lifeline {

namespace {

struct Entry {
  const rankwatch* object;
  std::shared_ptr<const void> ticket;
};

// A handful of objects at most: one per loaded library, more only in tests.
std::mutex entriesMutex;
std::vector<Entry> entries;

}  // namespace

void issue(const rankwatch* object) {
  std::lock_guard<std::mutex> lock(entriesMutex);
  entries.push_back({object, std::make_shared<const char>('\0')});
}

void revoke(const rankwatch* object) {
  std::lock_guard<std::mutex> lock(entriesMutex);
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const Entry& entry) { return entry.object == object; }),
                entries.end());
}

Ticket ticket(const rankwatch* object) {
  std::lock_guard<std::mutex> lock(entriesMutex);
  for (const Entry& entry : entries) {
    if (entry.object == object) return entry.ticket;
  }
  return {};
}

}  // namespace lifeline
