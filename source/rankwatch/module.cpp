// The library's exports: the record the host reads, the factory and the release function, and
// the holder of the one plugin object.

#include <cstring>
#include <new>

#include "library.h"
#include "names.h"
#include "rankwatch.h"
#include "workers.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// The only owner the library keeps. The host reads it by layout (object address, then the
// count block) and may take owners of its own from it.
struct ModuleHolder {
  std::shared_ptr<rankwatch> pluginInstance;

  // The object's destructor lets go of the workers.
  ModuleHolder() { workers::makeReady(); }

  // The library's unload, when the host did not call the release. It runs on the host's thread
  // unless a worker still held the library then: it runs on that worker's thread as it ends.
  // There the object is left alone, never destroyed: its destructor would call into the host
  // from a thread of ours. That happens only for a host that reaches the object through the
  // holder alone (onUnload lets go of the holder's owner otherwise).
  ~ModuleHolder() {
    if (pluginInstance && workers::onOwnThread()) {
      [[maybe_unused]] auto* left = new std::shared_ptr<rankwatch>(std::move(pluginInstance));
#if defined(__SANITIZE_ADDRESS__)
      __lsan_ignore_object(left);  // left on purpose: not a leak for the leak checker
#endif
    }
  }
};

ModuleHolder moduleHolder;

}  // namespace

void rankwatch::leaveToHost() {
  std::shared_ptr<rankwatch>& held = moduleHolder.pluginInstance;
  if (held.get() == this && held.use_count() > 1) held.reset();
}

extern "C" {

RANKWATCH_EXPORT std::uintptr_t getPlugin() {
  library::takeOverFromLoader();
  std::shared_ptr<rankwatch>& pluginInstance = moduleHolder.pluginInstance;
  if (!pluginInstance) {
    // The object is built on zeroed storage and owned through a separate count block that
    // knows its full type: neither base has a virtual destructor.
    void* storage = ::operator new(sizeof(rankwatch));
    std::memset(storage, 0, sizeof(rankwatch));
    rankwatch* object;
    try {
      object = new (storage) rankwatch();
    } catch (...) {
      ::operator delete(storage);
      throw;
    }
    pluginInstance = std::shared_ptr<rankwatch>(object, [](rankwatch* dying) {
      dying->~rankwatch();
      ::operator delete(dying);
      // Last of the object's end: the library may unload on a worker's thread next.
      library::handOverToLoader();
    });
  }
  return reinterpret_cast<std::uintptr_t>(&pluginInstance);
}

RANKWATCH_EXPORT void deleteMe() {
  // The holder is emptied before the last owner lets go, so the destructor never sees it full.
  // Nothing waits for a worker: each holds the library until it has left the library's code.
  moduleHolder.pluginInstance.reset();
  workers::letGo();
  library::handOverToLoader();
}

RANKWATCH_EXPORT sdk::Record exports = {
    sdk::kApiVersion,    names::kMainSource, names::kClassName, names::kDisplayName,
    names::kVersionText, sdk::kPluginType,   &getPlugin,        &deleteMe,
};

}  // extern "C"

static_assert(sizeof(std::shared_ptr<rankwatch>) == 2 * sizeof(void*),
              "the host reads the holder as an object address and a count block");
