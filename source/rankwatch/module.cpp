// The library's exports: the record the host reads, the factory and the release function, and
// the holder of the one plugin object.

#include <cstring>
#include <new>

#include "lifeline.h"
#include "names.h"
#include "rankwatch.h"
#include "web_lookup.h"

namespace {

// The only owner the library keeps. The host reads it by layout (object address, then the
// count block) and may take owners of its own from it.
std::shared_ptr<rankwatch> pluginInstance;

}  // namespace

extern "C" {

RANKWATCH_EXPORT std::uintptr_t getPlugin();
RANKWATCH_EXPORT void deleteMe();

RANKWATCH_EXPORT sdk::Record exports = {
    sdk::kApiVersion,    names::kMainSource, names::kClassName, names::kDisplayName,
    names::kVersionText, sdk::kPluginType,   &getPlugin,        &deleteMe,
};

std::uintptr_t getPlugin() {
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
    });
  }
  return reinterpret_cast<std::uintptr_t>(&pluginInstance);
}

void deleteMe() {
  // The holder is emptied before the last owner lets go, so the destructor never sees it full.
  pluginInstance.reset();
  // The host closes the library after this: every lookup must have handed its request over by
  // then, so that the host can drop the replies that would come back into unloaded code.
  joinWebLookups();
}

}  // extern "C"

static_assert(sizeof(std::shared_ptr<rankwatch>) == 2 * sizeof(void*),
              "the host reads the holder as an object address and a count block");
