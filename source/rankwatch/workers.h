#pragma once

// Threads of the library's own, never joined: each is detached and counted while its job runs.
// One whose job has ended waits, parked, for the next job while the plugin is loaded, so that
// a job costs the game thread a wake rather than a thread start; more at once start more.
//
// A host may close the library at any moment, with or without its release, while a thread is
// still at work, even inside a call into the host that has a return address into the library.
// So each thread holds the library loaded until it has left the library's code, and the system
// lets go of that reference for it (library.h): when it is the library's last, the library's
// unload runs on that thread as it ends. The unload itself never waits for a thread: it may run
// under the system loader's lock, which a thread inside the host may be waiting for.
//
// A thread takes its reference itself, off the game thread, as it starts: until then the
// reference the first start took for all of them keeps the library loaded, and it is let go
// at the unload once no thread is still starting (letGo).

#include <chrono>
#include <functional>

namespace workers {

// Makes the workers' state now. A static whose end lets go of the workers (the holder of the
// plugin object, at an unload without the release) calls it as it is made, so that the state
// ends after it: statics end in the reverse order of their making.
void makeReady();

// Runs `job` on the parked thread, or else on a thread of its own, and returns at once. Either the
// thread starts or nothing changes: whatever is thrown (no thread, no memory, the library not
// found) leaves no trace behind. What `job` throws ends it quietly. Game thread.
void start(std::function<void()> job);

// Waits at most `limit` for every job started so far to end, and after the unload for the
// parked thread to leave; true when all have. A thread whose job has ended may still be on its
// way out, holding the library.
bool awaitAll(std::chrono::milliseconds limit);

// Whether the calling thread is one of these.
bool onOwnThread();

// The plugin is unloaded: the parked thread leaves, and the reference that lets threads start
// goes once none is starting. While the host holds the library (onUnload, the
// release, the destructor).
void letGo();

}  // namespace workers
