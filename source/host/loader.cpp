// Opening plugin libraries on each system and reading their record.

#include "loader.h"

#include <filesystem>
#include <utility>

#include "hostsdk/plugin.h"
#include "hostsdk/plugin_settings_window.h"
#include "hostsdk/plugin_window.h"

#if !defined(_MSC_VER)
#include <cxxabi.h>

#include <typeinfo>
#endif

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace host {

Library::~Library() {
  close();
}

Library::Library(Library&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Library& Library::operator=(Library&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

namespace {

// The loader's own words, which differ by platform: the common cases never reach them.
std::string loaderReason(const std::string& path) {
#if defined(_WIN32)
  (void)path;
  const DWORD code = GetLastError();
  char text[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, text, sizeof text, nullptr);
  std::string reason(text, length);
  reason.erase(reason.find_last_not_of("\r\n .") + 1);
  if (reason.empty()) reason = "error " + std::to_string(code);
  // Some of the system's texts leave a place for the file's name.
  for (size_t at = reason.find("%1"); at != std::string::npos; at = reason.find("%1")) {
    reason.replace(at, 2, "the file");
  }
#else
  const char* said = dlerror();
  std::string reason = said ? said : "unknown reason";
  // dlerror names the file first; the caller already has.
  if (reason.rfind(path + ": ", 0) == 0) reason.erase(0, path.size() + 2);
#endif
  return reason;
}

#if !defined(_MSC_VER)
// Looks for an interface among the class's non-virtual bases, adding up the offsets.
const void* findBase(const std::type_info& type, const std::type_info& wanted, const char* object) {
  if (type == wanted) return object;
  if (auto* single = dynamic_cast<const abi::__si_class_type_info*>(&type)) {
    return findBase(*single->__base_type, wanted, object);
  }
  if (auto* multiple = dynamic_cast<const abi::__vmi_class_type_info*>(&type)) {
    for (unsigned i = 0; i < multiple->__base_count; ++i) {
      const abi::__base_class_type_info& base = multiple->__base_info[i];
      if (base.__is_virtual_p() || !base.__is_public_p()) continue;
      if (const void* found = findBase(*base.__base_type, wanted, object + base.__offset())) {
        return found;
      }
    }
  }
  return nullptr;
}
#endif

template <typename Interface>
Interface* baseOf(BakkesMod::Plugin::BakkesModPlugin* plugin) {
  if (!plugin) return nullptr;
#if defined(_MSC_VER)
  return dynamic_cast<Interface*>(plugin);
#else
  // A plugin keeps its base part's type record to itself, so the host cannot name the base in
  // a dynamic_cast; it reads the object's own type record instead. Types compare by name.
  const char* object = static_cast<const char*>(dynamic_cast<const void*>(plugin));
  return static_cast<Interface*>(
      const_cast<void*>(findBase(typeid(*plugin), typeid(Interface), object)));
#endif
}

}  // namespace

Library Library::open(const std::string& path, std::string& error) {
  Library library;
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) {
    error = "no such file";
    return library;
  }
#if defined(_WIN32)
  // A library that cannot load is reported here, never in a dialog box.
  DWORD previousMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
  library.handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  SetThreadErrorMode(previousMode, nullptr);
#else
  library.handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
  if (!library.handle_) error = "not a library this host can load: " + loaderReason(path);
  return library;
}

void* Library::symbol(const char* name) const {
  if (!handle_) return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
  return dlsym(handle_, name);
#endif
}

Library Library::reopen(const std::string& path) {
  Library library;
#if defined(_WIN32)
  HMODULE module = nullptr;
  if (GetModuleHandleExA(0, path.c_str(), &module)) library.handle_ = module;
#else
  library.handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
#endif
  return library;
}

const void* moduleHolding(const void* address) {
  if (!address) return nullptr;
#if defined(_WIN32)
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(address), &module)) {
    return nullptr;
  }
  return module;
#else
  // Only dladdr here: it may run while the game thread is inside dlclose, which holds the
  // loader's main lock while the library's destructors join its threads.
  Dl_info info;
  if (dladdr(address, &info) == 0) return nullptr;
  return info.dli_fbase;
#endif
}

void Library::close() {
  if (!handle_) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
  handle_ = nullptr;
}

const PluginInfo* readPluginInfo(const Library& library, std::string& error) {
  const auto filled = [](const char* text) { return text != nullptr && text[0] != '\0'; };
  const auto* info = static_cast<const PluginInfo*>(library.symbol("exports"));
  if (!info) {
    error = "not a plugin: it exports no plugin record";
    return nullptr;
  }
  if (info->apiVersion != hostsdk::kPluginApiVersion) {
    error = "plugin API version " + std::to_string(info->apiVersion) + " is not " +
            std::to_string(hostsdk::kPluginApiVersion);
    return nullptr;
  }
  if (!filled(info->className) || !filled(info->displayName) || !filled(info->versionText)) {
    error = "plugin record has an empty name";
    return nullptr;
  }
  if (!info->createFn || !info->releaseFn) {
    error = "plugin record lacks its functions";
    return nullptr;
  }
  return info;
}

BakkesMod::Plugin::PluginWindow* windowOf(BakkesMod::Plugin::BakkesModPlugin* plugin) {
  return baseOf<BakkesMod::Plugin::PluginWindow>(plugin);
}

BakkesMod::Plugin::PluginSettingsWindow* settingsOf(BakkesMod::Plugin::BakkesModPlugin* plugin) {
  return baseOf<BakkesMod::Plugin::PluginSettingsWindow>(plugin);
}

}  // namespace host
