// Running out of memory while the plugin is made, loaded, and starts a web lookup: every
// allocation on the way is made to fail in turn. The global operator new is replaced to do
// that, so this runs as its own program.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <sstream>

#include "harness.h"
#include "replaced_new.h"
#include "script/line_reader.h"
#include "web_lookup.h"
#include "workers.h"

extern "C" std::uintptr_t getPlugin();
extern "C" void deleteMe();

namespace {

// Only the armed thread's allocations count down, so the host's threads are left alone. A
// thread can also be armed before it starts: the next thread to allocate for the first time
// takes `nextThreadFailsIn`, and tells `threadFailed`.
thread_local long failIn = -1;  // the allocation that fails; -1: none
thread_local bool failed = false;
thread_local bool started = false;
std::atomic<long> nextThreadFailsIn{-1};
std::atomic<bool> threadFailed{false};

}  // namespace

void* allocate(std::size_t size, std::size_t alignment) {
  if (!started) {
    started = true;
    failIn = nextThreadFailsIn.exchange(-1);
  }
  if (failIn >= 0 && failIn-- == 0) {
    failed = true;
    threadFailed = true;
    throw std::bad_alloc();
  }
  return takeMemory(size, alignment);
}

TEST(LookupStart, EachAllocationThatFailsLeavesNoLookupAndNoThreadBehind) {
  int failures = 0;
  for (long n = 0;; ++n) {
    testing_support::Harness harness;
    rankwatch& plugin = harness.loadEnabled("web");
    failed = false;
    failIn = n;
    plugin.refreshMmr(5);
    failIn = -1;
    // A worker left running, or one that ended the process, shows here.
    workers::awaitAll(std::chrono::minutes(1));
    EXPECT_EQ(harness.host->web().requestsSent(), failed ? 0 : 1) << "allocation " << n;
    EXPECT_EQ(*plugin.trackedPlaylist, 11);
    EXPECT_EQ(*plugin.currentMmr, 0.0f);
    EXPECT_FALSE(harness.host->game().nextDue()) << "no retry on the web path";
    if (!failed) break;
    ++failures;
    ASSERT_LT(n, 1000);
  }
  EXPECT_GE(failures, 3) << "the start allocates the job, its callable and the thread";
}

TEST(OutOfMemory, AFactoryThatRunsOutLeavesNoObjectBehind) {
  using Holder = std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>;
  int failures = 0;
  for (long n = 0;; ++n) {
    std::uintptr_t holder = 0;
    failed = false;
    failIn = n;
    try {
      holder = getPlugin();
    } catch (const std::bad_alloc&) {
    }
    failIn = -1;
    if (!failed) {
      ASSERT_NE(holder, 0u);
      EXPECT_NE(*reinterpret_cast<Holder*>(holder), nullptr);
      deleteMe();
      break;
    }
    EXPECT_EQ(holder, 0u) << "allocation " << n;
    ++failures;
    ASSERT_LT(n, 100);
  }
  EXPECT_GE(failures, 2) << "the object's storage and its owner's count block";
}

namespace {

// Runs out of memory at the given allocation of its onLoad, and only there.
struct Starved : rankwatch {
  static long at;
  void onLoad() override {
    failIn = at;
    try {
      rankwatch::onLoad();
    } catch (...) {
      failIn = -1;
      throw;
    }
    failIn = -1;
  }
};
long Starved::at = -1;

}  // namespace

TEST(OutOfMemory, AnOnLoadThatRunsOutLeavesAPluginThatDoesNoHarm) {
  int failures = 0;
  for (long n = 0;; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n));
    testing_support::Harness harness;
    harness.ratings.setPlaylist(11);
    harness.ratings.setRating(11, 1000);
    failed = false;
    Starved::at = n;
    harness.load<Starved>();
    const bool starved = failed;
    // Whatever onLoad wired before it stopped works, or does nothing; nothing reads a value
    // that was never made.
    harness.console("openmenu rankwatch");
    harness.host->gui().frame();
    for (const char* line : {"rankwatch_enabled 1", "rankwatch_singlequeue 0", "rankwatch_addwin",
                             "rankwatch_addloss", "rankwatch_reset", "rankwatch_scale 2"}) {
      harness.console(line);
    }
    for (const char* event : testing_support::kHookedEvents) {
      harness.event(event);
    }
    harness.notify("76561198000000001");
    harness.wait(10);
    harness.host->gui().frame();
    std::string error;
    ASSERT_TRUE(harness.host->plugins().unload("rankwatch", error)) << error;
    if (!starved) break;
    ++failures;
    ASSERT_LT(n, 1000);
  }
  EXPECT_GT(failures, 20) << "onLoad makes fourteen cells and registers eighteen things";
}

TEST(OutOfMemory, AWorkerThatRunsOutLosesItsLookupAndNothingElse) {
  testing_support::Harness harness;
  harness.serveStats().setRating(11, 1000);
  rankwatch& plugin = harness.loadEnabled("web");
  plugin.refreshMmr(5);  // the host's HTTP thread starts here, unarmed
  workers::awaitAll(std::chrono::minutes(1));
  ASSERT_TRUE(harness.host->http().waitIdle(std::chrono::seconds(10)));
  harness.wait(1);
  ASSERT_EQ(*plugin.currentMmr, 1000.0f);
  harness.serveStats().setRating(11, 1010);
  int failures = 0;
  for (long n = 0;; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n));
    threadFailed = false;
    workers::letGo();  // the next lookup starts a thread, armed as it starts
    nextThreadFailsIn = n;
    const long sent = harness.host->web().requestsSent();
    plugin.refreshMmr(5);
    workers::awaitAll(std::chrono::minutes(1));
    nextThreadFailsIn = -1;
    ASSERT_TRUE(harness.host->http().waitIdle(std::chrono::seconds(10)));
    harness.wait(1);
    if (!threadFailed) {
      EXPECT_EQ(*plugin.currentMmr, 1010.0f) << "the lookup that had memory counts";
      break;
    }
    EXPECT_EQ(harness.host->web().requestsSent(), sent) << "a worker out of memory sends nothing";
    EXPECT_EQ(*plugin.currentMmr, 1000.0f);
    ++failures;
    ASSERT_LT(n, 1000);
  }
  EXPECT_GT(failures, 3) << "the worker makes the URL, the request and the reply's callable";
}

TEST(OutOfMemory, AReplyHandledWithoutMemoryIsLostWhole) {
  testing_support::Harness harness;
  rankwatch& plugin = harness.load();
  const std::string body =
      R"({"data":{"segments":[{"attributes":{"playlistId":11},"stats":{"rating":{"value":1000}}}]}})";
  int failures = 0;
  for (long n = 0;; ++n) {
    // The reply thread's part, run here where its allocations can be made to fail.
    WebReplyTarget target{lifeline::Hold(plugin.line()), 11};
    std::string reply = body;
    failed = false;
    failIn = n;
    onWebMmrReply(target, 200, std::move(reply));
    failIn = -1;
    harness.wait(1);
    EXPECT_EQ(*plugin.currentMmr, failed ? 0.0f : 1000.0f) << "allocation " << n;
    if (!failed) break;
    ++failures;
    ASSERT_LT(n, 1000);
  }
  EXPECT_GT(failures, 3) << "the parse and the hand-over both allocate";
}

TEST(OutOfMemory, AStatementLineReadWithoutMemoryFailsTheInputRatherThanEndingIt) {
  threadFailed = false;
  nextThreadFailsIn = 0;  // the reading thread's first allocation: the line's first bytes
  host::LineReader reader(std::make_shared<std::istringstream>(std::string(100, 'a') + "\n"));
  ASSERT_TRUE(testing_support::until([&] { return reader.done(); }));
  nextThreadFailsIn = -1;
  EXPECT_TRUE(threadFailed);
  EXPECT_EQ(reader.failure(), "out of memory");
}
