#pragma once

// Threads of the library's own, one per job. A thread is never waited for while the plugin
// runs: each new one first joins those that have finished, and the library's release joins the
// rest.
//
// A host may also unload the library without calling its release. On Windows its static
// destructors then run under the loader's lock, which a thread needs in order to end, so
// waiting there for one would hang the host: there each thread keeps the library loaded until
// it has left the library's code, and the unload lets the threads go instead of waiting.

#include <functional>

namespace workers {

// Runs `job` on a thread of its own and returns at once. Either the thread starts or nothing
// changes: whatever is thrown (no thread, no memory) leaves no trace behind. What `job` throws
// ends it quietly.
void start(std::function<void()> job);

// Waits for every thread started so far. For the library's release, never for a frame.
void joinAll();

}  // namespace workers
