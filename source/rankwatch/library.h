#pragma once

// The plugin library as the system's loader knows it: references that keep it loaded, and
// keeping it loaded for good.
//
// Whatever may run the library's code after the host closes it (a worker, a callback the host
// kept) holds the library loaded, or the library keeps itself loaded for good (lifeline.h).

namespace library {

// An HMODULE on Windows, a handle dlopen returned elsewhere.
using Reference = void*;

// A reference of its own to the library, taken without loading anything; throws
// std::system_error when the loader refuses.
Reference take();

// Lets go of `reference`. The caller's code is the library's, so another reference must be
// held while it runs: only a reference the system lets go of after the code has returned (a
// thread's last, workers.cpp) can be the library's last.
void letGo(Reference reference);

#if !defined(_WIN32)
// The system lets go of `reference` once this thread has ended, after its function returned:
// the call that lets go returns into the C library, never into this library. Should that fail,
// the library stays loaded for good. (Windows threads end with FreeLibraryAndExitThread.)
void letGoWhenThisThreadEnds(Reference reference);
#endif

// The library stays loaded until the process ends, however often the host closes it; a later
// load gets this same image. Any thread; the first call does it, later ones nothing.
void keepForGood() noexcept;

// The loader orders a library's unload after its last reference is let go, and the next load
// after that unload, under a lock the thread sanitizer cannot see. The plugin says so where it
// hands over to the loader (handOver: the end of onUnload and of the release) and where it
// takes over from it (takeOver: getPlugin). The library's static initialisers and destructors
// do the same themselves. Nothing in other builds.
void handOverToLoader();
void takeOverFromLoader();

}  // namespace library
