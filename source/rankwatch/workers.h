#pragma once

// Threads of the library's own, one per job. A thread is never waited for while the plugin
// runs: each new one first joins those that have finished, and the library's release joins the
// rest.

#include <functional>

namespace workers {

// Runs `job` on a thread of its own and returns at once. Either the thread starts or nothing
// changes: whatever is thrown (no thread, no memory) leaves no trace behind. What `job` throws
// ends it quietly.
void start(std::function<void()> job);

// Waits for every thread started so far. For the library's release, never for a frame.
void joinAll();

}  // namespace workers
