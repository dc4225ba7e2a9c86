#pragma once

// Threads of the library's own, one per job. A thread is never waited for while the plugin
// runs: each new one first joins those that have finished.
//
// A host may close the library at any moment, with or without its release, while a thread is
// still at work, even inside a call into the host that has a return address into the library.
// So each thread holds the library loaded from before it starts until it has left the
// library's code, and the system lets go of that hold for it (workers.cpp says how on each
// system). When the hold is the library's last, the library's unload runs on that thread as it
// ends. The unload itself never waits for a thread: it may run under the system loader's lock,
// which a thread inside the host may be waiting for.

#include <chrono>
#include <functional>

namespace workers {

// Runs `job` on a thread of its own and returns at once. Either the thread starts or nothing
// changes: whatever is thrown (no thread, no memory, the library not found) leaves no trace
// behind. What `job` throws ends it quietly.
void start(std::function<void()> job);

// Waits at most `limit` for every thread started so far to finish its job; true when all have.
// For the library's release: a job still running then holds the library itself.
bool awaitAll(std::chrono::milliseconds limit);

// Waits for every thread started so far to end, however long that takes: for tests and
// benchmarks, never the plugin.
void joinAll();

}  // namespace workers
