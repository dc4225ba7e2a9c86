#pragma once

// The host's console as a plugin reaches it: its variables and the commands it registers.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hostsdk/export.h"

namespace hostsdk {
struct PluginSlot;
struct Variable;
}  // namespace hostsdk

// A handle to one console variable. A plain value: copy and drop it freely.
class HOSTSDK_API CVarWrapper {
 public:
  CVarWrapper(hostsdk::PluginSlot* owner, hostsdk::Variable* variable);

  bool IsNull() const;
  std::string getCVarName() const;
  std::string getStringValue() const;
  bool getBoolValue() const;
  float getFloatValue() const;
  int getIntValue() const;
  void setValue(std::string value);

  // The host writes the current value into the cell at once and every later value after it.
  void bindTo(std::shared_ptr<bool> cell);
  void bindTo(std::shared_ptr<float> cell);
  void bindTo(std::shared_ptr<int> cell);
  void bindTo(std::shared_ptr<std::string> cell);

  // Runs on the game thread after each change, with the value before the change.
  void addOnValueChanged(std::function<void(std::string oldValue, CVarWrapper cvar)> callback);

 private:
  hostsdk::PluginSlot* owner_;
  hostsdk::Variable* variable_;
};

// The host's console, as one plugin sees it.
class HOSTSDK_API CVarManagerWrapper {
 public:
  explicit CVarManagerWrapper(hostsdk::PluginSlot* owner);

  // `listed`: shown by the host's variable listing; `saved`: kept in the host's config file.
  // A variable that exists already is returned as it is, keeping its value.
  CVarWrapper registerCvar(std::string name, std::string defaultValue, std::string description = "",
                           bool listed = true, bool hasMinimum = false, float minimum = 0.0f,
                           bool hasMaximum = false, float maximum = 0.0f, bool saved = true);
  // A null wrapper when no variable has that name.
  CVarWrapper getCvar(std::string name);
  // `callback` receives the command's words, its own name first.
  void registerNotifier(std::string name, std::function<void(std::vector<std::string>)> callback,
                        std::string description, unsigned char permissions);
  // `log`: the host echoes the command line.
  void executeCommand(std::string command, bool log = true);

 private:
  hostsdk::PluginSlot* owner_;
};
