// References to the plugin library, keeping it loaded for good, and the loader's order told to
// the thread sanitizer.

#include "library.h"

#include <atomic>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <link.h>
#include <pthread.h>

#include <cerrno>
#endif

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace library {

namespace {

// An address inside the library, to find the library by.
const char kInLibrary = 0;

std::atomic<bool> keptLoaded{false};

}  // namespace

#if defined(_WIN32)

Reference take() {
  HMODULE library = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&kInLibrary), &library)) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
  }
  return library;
}

void letGo(Reference reference) {
  FreeLibrary(static_cast<HMODULE>(reference));
}

void keepForGood() noexcept {
  if (keptLoaded.exchange(true)) return;
  HMODULE library = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&kInLibrary), &library);
}

#else

namespace {

// The name the loader knows the library by; empty for the program itself, which is never
// unloaded and which a reference then holds to no effect.
const char* libraryName() {
  static const char* const name = [] {
    Dl_info info;
    link_map* map = nullptr;
    const bool found =
        dladdr1(&kInLibrary, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) != 0 &&
        map != nullptr;
    return found ? map->l_name : static_cast<const char*>(nullptr);
  }();
  return name;
}

// A thread-specific key whose destructor is dlclose itself. The key's destructor is called as
// a void(void*) and dlclose returns an int: on the targets below the caller ignores the
// register the result is left in, and nothing else differs.
#if !(defined(__x86_64__) || defined(__aarch64__) || defined(__i386__) || defined(__arm__))
#error "Calling dlclose as a void(void*) function is not known to be sound on this target."
#endif

struct ReleaseKey {
  pthread_key_t key{};
  const int error = pthread_key_create(
      &key, reinterpret_cast<void (*)(void*)>(reinterpret_cast<void (*)()>(&dlclose)));
  // At the library's unload no thread holds a reference through the key, or the last one has
  // just been let go.
  ~ReleaseKey() {
    if (error == 0) pthread_key_delete(key);
  }
};

}  // namespace

Reference take() {
  const char* name = libraryName();
  Reference reference = name ? dlopen(name, RTLD_LAZY | RTLD_NOLOAD) : nullptr;
  if (!reference) throw std::system_error(ENOENT, std::system_category());
  return reference;
}

void letGo(Reference reference) {
  dlclose(reference);
}

void letGoWhenThisThreadEnds(Reference reference) {
  // Made by the first thread that needs it, and ended with the library's other statics.
  static const ReleaseKey releaseKey;
  if (releaseKey.error != 0 || pthread_setspecific(releaseKey.key, reference) != 0) keepForGood();
}

void keepForGood() noexcept {
  if (keptLoaded.exchange(true)) return;
  // A reference the loader never lets go of; nothing is loaded, and a dlclose cannot undo it.
  const char* name = libraryName();
  if (name) dlopen(name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

#endif

#if defined(__SANITIZE_THREAD__)

namespace {

// The loader's own state stands for its lock: an address outside the library that stays the
// same from one load of it to the next.
void* const kLoader = &_r_debug;

// Made before every other static of the library and destroyed after all of them: its
// constructor opens the static initialisers, its destructor closes the static destructors.
struct StaticsInLoaderOrder {
  StaticsInLoaderOrder() { __tsan_acquire(kLoader); }
  ~StaticsInLoaderOrder() { __tsan_release(kLoader); }
};
__attribute__((init_priority(101))) StaticsInLoaderOrder staticsInLoaderOrder;

// Runs before the library's C++ static destructors, which the C library runs last of its
// unload work.
__attribute__((destructor)) void staticDestructorsBegin() {
  __tsan_acquire(kLoader);
}

}  // namespace

void handOverToLoader() {
  __tsan_release(kLoader);
}

void takeOverFromLoader() {
  __tsan_acquire(kLoader);
}

#else

void handOverToLoader() {}
void takeOverFromLoader() {}

#endif

}  // namespace library
