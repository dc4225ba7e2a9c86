// CVarWrapper and CVarManagerWrapper: the console's calls, forwarded to the host's backend.

#include "hostsdk/cvar.h"

#include <utility>

#include "describe.h"
#include "hostsdk/cvar_text.h"

using hostsdk::installedBackend;
using hostsdk::detail::boolean;
using hostsdk::detail::note;
using hostsdk::detail::number;
using hostsdk::detail::quoted;

namespace {

// Readings of a variable's text; the host's console documents them.
std::string valueOf(hostsdk::PluginSlot* owner, hostsdk::Variable* variable) {
  hostsdk::Backend* backend = installedBackend();
  return backend && variable ? backend->cvarValue(owner, variable) : std::string();
}

}  // namespace

CVarWrapper::CVarWrapper(hostsdk::PluginSlot* owner, hostsdk::Variable* variable)
    : owner_(owner), variable_(variable) {}

bool CVarWrapper::IsNull() const {
  note([&] { return "CVarWrapper::IsNull() -> " + boolean(variable_ == nullptr); });
  return variable_ == nullptr;
}

std::string CVarWrapper::getCVarName() const {
  hostsdk::Backend* backend = installedBackend();
  std::string name = backend && variable_ ? backend->cvarName(owner_, variable_) : std::string();
  note([&] { return "CVarWrapper::getCVarName() -> " + quoted(name); });
  return name;
}

std::string CVarWrapper::getStringValue() const {
  std::string value = valueOf(owner_, variable_);
  note([&] { return "CVarWrapper::getStringValue() -> " + quoted(value); });
  return value;
}

bool CVarWrapper::getBoolValue() const {
  bool value = hostsdk::readBool(valueOf(owner_, variable_));
  note([&] { return "CVarWrapper::getBoolValue() -> " + boolean(value); });
  return value;
}

float CVarWrapper::getFloatValue() const {
  float value = hostsdk::readFloat(valueOf(owner_, variable_));
  note([&] { return "CVarWrapper::getFloatValue() -> " + number(value); });
  return value;
}

int CVarWrapper::getIntValue() const {
  int value = hostsdk::readInt(valueOf(owner_, variable_));
  note([&] { return "CVarWrapper::getIntValue() -> " + number(value); });
  return value;
}

void CVarWrapper::setValue(std::string value) {
  note([&] { return "CVarWrapper::setValue(" + quoted(value) + ")"; });
  hostsdk::Backend* backend = installedBackend();
  if (backend && variable_) backend->setCvar(owner_, variable_, value);
}

namespace {

template <typename T>
void bind(hostsdk::PluginSlot* owner, hostsdk::Variable* variable, std::shared_ptr<T> cell,
          const char* type) {
  note([&] { return std::string("CVarWrapper::bindTo(shared ") + type + ")"; });
  hostsdk::Backend* backend = installedBackend();
  if (backend && variable && cell) backend->bindCvar(owner, variable, std::move(cell));
}

}  // namespace

void CVarWrapper::bindTo(std::shared_ptr<bool> cell) {
  bind(owner_, variable_, std::move(cell), "bool");
}
void CVarWrapper::bindTo(std::shared_ptr<float> cell) {
  bind(owner_, variable_, std::move(cell), "float");
}
void CVarWrapper::bindTo(std::shared_ptr<int> cell) {
  bind(owner_, variable_, std::move(cell), "int");
}
void CVarWrapper::bindTo(std::shared_ptr<std::string> cell) {
  bind(owner_, variable_, std::move(cell), "string");
}

void CVarWrapper::addOnValueChanged(std::function<void(std::string, CVarWrapper)> callback) {
  note([&] { return std::string("CVarWrapper::addOnValueChanged(callback)"); });
  hostsdk::Backend* backend = installedBackend();
  if (backend && variable_ && callback) {
    backend->addCvarListener(owner_, variable_, std::move(callback));
  }
}

CVarManagerWrapper::CVarManagerWrapper(hostsdk::PluginSlot* owner) : owner_(owner) {}

CVarWrapper CVarManagerWrapper::registerCvar(std::string name, std::string defaultValue,
                                             std::string description, bool listed, bool hasMinimum,
                                             float minimum, bool hasMaximum, float maximum,
                                             bool saved) {
  note([&] {
    return "CVarManagerWrapper::registerCvar(" + quoted(name) + ", " + quoted(defaultValue) + ", " +
           quoted(description) + ", " + boolean(listed) + ", " + boolean(hasMinimum) + ", " +
           number(minimum) + ", " + boolean(hasMaximum) + ", " + number(maximum) + ", " +
           boolean(saved) + ")";
  });
  hostsdk::Backend* backend = installedBackend();
  if (!backend) return CVarWrapper(owner_, nullptr);
  hostsdk::Variable* variable = backend->registerCvar(
      owner_, {std::move(name), std::move(defaultValue), std::move(description), listed, hasMinimum,
               minimum, hasMaximum, maximum, saved});
  return CVarWrapper(owner_, variable);
}

CVarWrapper CVarManagerWrapper::getCvar(std::string name) {
  hostsdk::Backend* backend = installedBackend();
  hostsdk::Variable* variable = backend ? backend->findCvar(owner_, name) : nullptr;
  note([&] {
    return "CVarManagerWrapper::getCvar(" + quoted(name) + ") -> " + (variable ? "found" : "null");
  });
  return CVarWrapper(owner_, variable);
}

void CVarManagerWrapper::registerNotifier(std::string name,
                                          std::function<void(std::vector<std::string>)> callback,
                                          std::string description, unsigned char permissions) {
  note([&] {
    return "CVarManagerWrapper::registerNotifier(" + quoted(name) + ", callback, " +
           quoted(description) + ", " + std::to_string(permissions) + ")";
  });
  hostsdk::Backend* backend = installedBackend();
  if (backend && callback) {
    backend->registerCommand(owner_, name, std::move(callback), description, permissions);
  }
}

void CVarManagerWrapper::executeCommand(std::string command, bool log) {
  note([&] {
    return "CVarManagerWrapper::executeCommand(" + quoted(command) + ", " + boolean(log) + ")";
  });
  if (hostsdk::Backend* backend = installedBackend()) backend->executeCommand(owner_, command, log);
}
