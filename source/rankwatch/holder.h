#pragma once

// The library's holder of the one plugin object (module.cpp), as the plugin itself uses it.

class rankwatch;

namespace holder {

// When the host holds an owner of `object` besides the holder, the holder lets go of its own:
// the object then ends when the host lets go of it, on the host's thread, whether the host
// calls the release or not, and a getPlugin of a library the host kept loaded makes a fresh
// one. Otherwise (the host reaches the object through the holder alone) the holder keeps it.
// Game thread.
void letGoOf(const rankwatch* object);

}  // namespace holder
