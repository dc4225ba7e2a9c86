#pragma once

// Opening plugin libraries, reading their record, and finding a plugin object's interfaces.

#include <string>

struct PluginInfo;
namespace BakkesMod::Plugin {
class BakkesModPlugin;
class PluginSettingsWindow;
class PluginWindow;
}  // namespace BakkesMod::Plugin

namespace host {

// What a plugin library's file name ends with on this system.
#if defined(_WIN32)
constexpr char kLibrarySuffix[] = ".dll";
#else
constexpr char kLibrarySuffix[] = ".so";
#endif

// An open shared library; closes it when dropped.
class Library {
 public:
  Library() = default;
  ~Library();
  Library(Library&& other) noexcept;
  Library& operator=(Library&& other) noexcept;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Opens `path`, or says in one line why it cannot (without naming the file). A missing file
  // reads the same on every platform.
  static Library open(const std::string& path, std::string& error);
  // `path` once more, only if it is loaded now: nothing is loaded, and the library stays
  // loaded while the result lives. Empty when it is not loaded.
  static Library reopen(const std::string& path);
  explicit operator bool() const { return handle_ != nullptr; }
  void* symbol(const char* name) const;
  void close();

 private:
  void* handle_ = nullptr;
};

// The loaded module (program or library) whose mapping holds `address`, as an identity to
// compare; null when none does. Safe from any thread.
const void* moduleHolding(const void* address);

// The library's record, checked: an API version the host accepts, non-empty names and both
// functions. Null with a one-line reason otherwise.
const PluginInfo* readPluginInfo(const Library& library, std::string& error);

// The plugin object's window interface, or null when its class has none.
BakkesMod::Plugin::PluginWindow* windowOf(BakkesMod::Plugin::BakkesModPlugin* plugin);
// Its settings page interface, or null.
BakkesMod::Plugin::PluginSettingsWindow* settingsOf(BakkesMod::Plugin::BakkesModPlugin* plugin);

}  // namespace host
