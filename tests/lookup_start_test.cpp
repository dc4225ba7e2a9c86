// Starting a web lookup when memory runs out: every allocation on the way is made to fail in
// turn. The global operator new is replaced to do that, so this runs as its own program.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "harness.h"
#include "web_lookup.h"

namespace {

// Only the armed thread's allocations count down, so the host's threads are left alone.
thread_local long failIn = -1;  // the allocation that fails; -1: none
thread_local bool failed = false;

void* allocate(std::size_t size, std::size_t alignment) {
  if (failIn >= 0 && failIn-- == 0) {
    failed = true;
    throw std::bad_alloc();
  }
  if (size == 0) size = 1;
  void* memory =
      alignment <= alignof(std::max_align_t)
          ? std::malloc(size)
          : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
  if (!memory) throw std::bad_alloc();
  return memory;
}

}  // namespace

// The array and nothrow forms of the standard library call these.
void* operator new(std::size_t size) {
  return allocate(size, 0);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
  std::free(memory);
}

TEST(LookupStart, EachAllocationThatFailsLeavesNoLookupAndNoThreadBehind) {
  int failures = 0;
  for (long n = 0;; ++n) {
    testing_support::Harness harness;
    rankwatch& plugin = harness.load();
    harness.console("rankwatch_enabled 1");
    harness.console("rankwatch_trackingmethod web");
    harness.ratings.setPlaylist(11);
    failed = false;
    failIn = n;
    plugin.refreshMmr(5);
    failIn = -1;
    // A worker left running, or one that ended the process, shows here.
    joinWebLookups();
    EXPECT_EQ(harness.host->requestsSent(), failed ? 0 : 1) << "allocation " << n;
    EXPECT_EQ(*plugin.trackedPlaylist, 11);
    EXPECT_EQ(*plugin.currentMmr, 0.0f);
    EXPECT_FALSE(harness.host->game().nextDue()) << "no retry on the web path";
    if (!failed) break;
    ++failures;
    ASSERT_LT(n, 1000);
  }
  EXPECT_GT(failures, 3) << "the start allocates the job, the list node and the thread";
}
