// The console: variables, commands, and the one entry for a typed line.

#include "console.h"

#include <charconv>
#include <type_traits>
#include <utility>

#include "hostsdk/cvar_text.h"

namespace host {

namespace {

std::string formatNumber(float value) {
  char text[32];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// The one place the host writes a plugin's bound cell: on the game thread, or on the thread
// that runs a plugin's onLoad while it binds.
void writeBoundCell(const hostsdk::Cell& cell, const std::string& value) {
  std::visit(
      [&](const auto& target) {
        using T = typename std::decay_t<decltype(target)>::element_type;
        if constexpr (std::is_same_v<T, bool>) {
          *target = hostsdk::readBool(value);
        } else if constexpr (std::is_same_v<T, float>) {
          *target = hostsdk::readFloat(value);
        } else if constexpr (std::is_same_v<T, int>) {
          *target = hostsdk::readInt(value);
        } else {
          *target = value;
        }
      },
      cell);
}

}  // namespace

void Console::addBuiltin(const std::string& name, const std::string& usage,
                         const std::string& description, Builtin run) {
  builtins_[name] = BuiltinCommand{usage, description, std::move(run)};
}

Variable* Console::registerVariable(const hostsdk::CvarDeclaration& declared, PluginSlot* owner) {
  auto found = variables_.find(declared.name);
  if (found != variables_.end()) return found->second.get();
  auto variable = std::make_unique<Variable>();
  variable->owner = owner;
  variable->declared = declared;
  variable->value = declared.defaultValue;
  auto saved = saved_.find(declared.name);
  if (saved != saved_.end()) {
    const std::string& where = saved->second.where;
    std::string error;
    if (!set(*variable, saved->second.value, error,
             [&](const std::string& note) { output_.note(where + ": " + note); })) {
      output_.error(where + ": saved value ignored: " + error);
      held_.insert(declared.name);
    }
  }
  return variables_.emplace(declared.name, std::move(variable)).first->second.get();
}

Variable* Console::find(const std::string& name) {
  auto found = variables_.find(name);
  return found == variables_.end() ? nullptr : found->second.get();
}

bool Console::set(Variable& variable, const std::string& text, std::string& error,
                  const std::function<void(const std::string&)>& clamped) {
  const hostsdk::CvarDeclaration& declared = variable.declared;
  if (text.find('\0') != std::string::npos) {
    // The config file has no way to keep one.
    error = declared.name + ": a value cannot hold a NUL character";
    return false;
  }
  std::string value = text;
  if (declared.hasMinimum || declared.hasMaximum) {
    std::optional<float> number = hostsdk::readNumber(text);
    if (!number) {
      error = declared.name + ": " + inQuotes(text) + " is not a number";
      return false;
    }
    float kept = *number;
    if (declared.hasMinimum && kept < declared.minimum) kept = declared.minimum;
    if (declared.hasMaximum && kept > declared.maximum) kept = declared.maximum;
    if (kept != *number) {
      value = formatNumber(kept);
      if (clamped) {
        clamped(declared.name + ": " + text +
                (kept < *number ? " is more than " : " is less than ") + value + ", kept at " +
                value);
      }
    }
  }
  held_.erase(declared.name);
  if (value == variable.value) return true;
  const std::string oldValue = std::exchange(variable.value, value);
  for (const Variable::Binding& binding : variable.bindings)
    writeBoundCell(binding.cell, variable.value);
  // Handlers attached while these run wait for the next change.
  std::vector<Variable::Listener> listeners = variable.listeners;
  for (Variable::Listener& listener : listeners) {
    calls_.run(listener.owner,
               [&] { listener.callback(oldValue, CVarWrapper(listener.owner, &variable)); });
  }
  return true;
}

void Console::bind(PluginSlot* owner, Variable& variable, hostsdk::Cell cell) {
  writeBoundCell(cell, variable.value);
  variable.bindings.push_back({owner, std::move(cell)});
}

void Console::listen(PluginSlot* owner, Variable& variable, hostsdk::ChangeCallback callback) {
  variable.listeners.push_back({owner, std::move(callback)});
}

void Console::addCommand(PluginSlot* owner, const std::string& name,
                         hostsdk::CommandCallback callback, const std::string& description,
                         unsigned char permissions) {
  commands_[name] = Command{owner, std::move(callback), description, permissions};
}

void Console::listVariables(const std::string& prefix) {
  int listed = 0;
  for (const auto& [name, variable] : variables_) {
    const hostsdk::CvarDeclaration& declared = variable->declared;
    if (!declared.listed || name.compare(0, prefix.size(), prefix) != 0) continue;
    std::string line = "cvar " + name + " = " + variable->value;
    if (declared.hasMinimum || declared.hasMaximum) {
      line += " (" + (declared.hasMinimum ? formatNumber(declared.minimum) : std::string("any")) +
              " to " + (declared.hasMaximum ? formatNumber(declared.maximum) : "any") + ")";
    }
    if (!declared.description.empty()) line += " - " + declared.description;
    output_.line(line);
    ++listed;
  }
  output_.line("cvarlist: " + std::to_string(listed) + (listed == 1 ? " variable" : " variables"));
}

void Console::listCommands(const std::string& prefix) {
  // Plugin commands and the host's own, in one name order.
  std::map<std::string, std::string> lines;
  for (const auto& [name, command] : commands_) {
    lines[name] = "cmd " + name + (command.description.empty() ? "" : " - " + command.description);
  }
  for (const auto& [name, builtin] : builtins_) {
    lines[name] = "cmd " + builtin.usage + " - " + builtin.description;
  }
  int listed = 0;
  for (const auto& [name, line] : lines) {
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    output_.line(line);
    ++listed;
  }
  output_.line("cmdlist: " + std::to_string(listed) + (listed == 1 ? " command" : " commands"));
}

void Console::execute(const std::string& line) {
  std::vector<std::string> words;
  std::string error;
  if (!split(line, words, error)) {
    output_.error(error);
    return;
  }
  if (words.empty()) return;
  const std::string& name = words.front();

  if (auto builtin = builtins_.find(name); builtin != builtins_.end()) {
    Builtin run = builtin->second.run;
    run(words);
    return;
  }
  if (auto command = commands_.find(name); command != commands_.end()) {
    PluginSlot* owner = command->second.owner;
    hostsdk::CommandCallback callback = command->second.callback;
    calls_.run(owner, [&] { callback(words); });
    return;
  }
  if (Variable* variable = find(name)) {
    if (words.size() == 1) {
      output_.line("cvar " + name + " = " + variable->value);
    } else if (words.size() > 2) {
      output_.error(name + ": takes one value (quote a value with blanks)");
    } else if (!set(*variable, words[1], error,
                    [this](const std::string& note) { output_.note(note); })) {
      output_.error(error);
    }
    return;
  }
  output_.error(name + ": unknown command");
}

void Console::forget(const PluginSlot* owner) {
  auto dyingCommands =
      takeOut(commands_, [&](const auto& command) { return command.second.owner == owner; });
  auto dyingVariables =
      takeOut(variables_, [&](const auto& variable) { return variable.second->owner == owner; });
  for (auto& [name, variable] : dyingVariables) {
    const bool save = variable->declared.saved;
    // A value held back (its saved line unreadable) stays so until it is set.
    Saved& kept = saved_[name];
    kept.value = variable->value;
    kept.save = save;
    retired_.push_back(std::move(variable));
  }
  for (auto& [name, variable] : variables_) {
    auto cells = takeOut(variable->bindings, [&](const auto& b) { return b.owner == owner; });
    auto handlers = takeOut(variable->listeners, [&](const auto& l) { return l.owner == owner; });
  }
  // The plugin's cells and handlers on its own variables go last: destroying them runs its code.
  for (auto& variable : retired_) {
    if (variable->owner != owner) continue;
    auto cells = std::move(variable->bindings);
    auto handlers = std::move(variable->listeners);
    variable->bindings.clear();
    variable->listeners.clear();
  }
}

void Console::restore(std::map<std::string, Saved> saved, std::set<std::string> held) {
  saved_ = std::move(saved);
  held_ = std::move(held);
}

std::map<std::string, std::string> Console::valuesToSave() const {
  std::map<std::string, std::string> values;
  for (const auto& [name, saved] : saved_) {
    if (saved.save) values[name] = saved.value;
  }
  for (const auto& [name, variable] : variables_) {
    if (variable->declared.saved) values[name] = variable->value;
  }
  for (const std::string& name : held_) values.erase(name);
  return values;
}

bool Console::split(const std::string& line, std::vector<std::string>& words, std::string& error) {
  words.clear();
  size_t i = 0;
  const size_t n = line.size();
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (i < n) {
    while (i < n && blank(line[i])) ++i;
    if (i == n) break;
    std::string word;
    if (line[i] == '"') {
      ++i;
      for (;;) {
        if (i == n) {
          error = "unterminated quote";
          return false;
        }
        char c = line[i++];
        if (c == '"') break;
        if (c == '\\' && i < n && (line[i] == '"' || line[i] == '\\')) c = line[i++];
        word += c;
      }
    } else {
      while (i < n && !blank(line[i])) word += line[i++];
    }
    words.push_back(std::move(word));
  }
  return true;
}

}  // namespace host
