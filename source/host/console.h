#pragma once

// The host's console: variables that hold text, commands of the host and of plugins, and the
// one entry for a typed line.
//
// A variable's text reads as a bool, float or int as hostsdk/cvar_text.h says; one with a
// declared range takes only text with a number. Setting the text it holds already changes
// nothing; on a change, bound cells are written first, then the handlers in the order attached.

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "hostsdk/backend.h"
#include "output.h"
#include "plugin_slot.h"

namespace hostsdk {

struct Variable {
  struct Binding {
    PluginSlot* owner;
    Cell cell;
  };
  struct Listener {
    PluginSlot* owner;
    ChangeCallback callback;
  };

  PluginSlot* owner = nullptr;  // the plugin that registered it; null: the host
  CvarDeclaration declared;
  std::string value;
  std::vector<Binding> bindings;
  std::vector<Listener> listeners;
};

}  // namespace hostsdk

namespace host {

using hostsdk::Variable;

class Console {
 public:
  using Builtin = std::function<void(const std::vector<std::string>& words)>;

  Console(Output& output, PluginCalls& calls) : output_(output), calls_(calls) {}

  // A command of the host itself; `usage` and `description` are for `cmdlist`.
  void addBuiltin(const std::string& name, const std::string& usage, const std::string& description,
                  Builtin run);

  // A new variable starts from its saved value, if any; an existing one is returned as it is.
  // `owner`: the plugin registering it, whose unload removes it; null: the host's own.
  Variable* registerVariable(const hostsdk::CvarDeclaration& declared, PluginSlot* owner = nullptr);
  Variable* find(const std::string& name);
  // A number outside the variable's range is kept at the nearer end; `clamped`, when given,
  // hears how before the change takes effect. Text with a NUL character is refused.
  bool set(Variable& variable, const std::string& text, std::string& error,
           const std::function<void(const std::string&)>& clamped = {});
  void bind(PluginSlot* owner, Variable& variable, hostsdk::Cell cell);
  void listen(PluginSlot* owner, Variable& variable, hostsdk::ChangeCallback callback);
  void addCommand(PluginSlot* owner, const std::string& name, hostsdk::CommandCallback callback,
                  const std::string& description, unsigned char permissions);

  // Runs one line as typed. Refused input is printed as one "error:" line and changes nothing.
  void execute(const std::string& line);
  // `cvarlist` and `cmdlist`: one line for each variable or command whose name starts with
  // `prefix`, in name order, then a count.
  void listVariables(const std::string& prefix);
  void listCommands(const std::string& prefix);

  // Drops the variables, commands, bindings and handlers of a plugin about to go away. The
  // variables' values are kept for saving and for their next registration.
  void forget(const PluginSlot* owner);

  struct Saved {
    std::string value;
    std::string where;  // "file:line", for messages
    bool save = true;   // false: a variable's not to be saved, kept for its next registration
  };
  // Values read from the config file; kept for variables not registered yet. A variable
  // whose saved value it refuses, or one named in `held` (its line could not be read), keeps
  // its default and is left out of the values to save until it is set.
  void restore(std::map<std::string, Saved> saved, std::set<std::string> held = {});
  std::map<std::string, std::string> valuesToSave() const;

  // Splits a line into words: blanks separate, double quotes group, and inside quotes \" and
  // \\ stand for themselves. False, with a reason, for an unterminated quote.
  static bool split(const std::string& line, std::vector<std::string>& words, std::string& error);

 private:
  struct Command {
    PluginSlot* owner;
    hostsdk::CommandCallback callback;
    std::string description;
    unsigned char permissions;
  };
  struct BuiltinCommand {
    std::string usage;
    std::string description;
    Builtin run;
  };

  Output& output_;
  PluginCalls& calls_;
  std::map<std::string, std::unique_ptr<Variable>> variables_;  // addresses stay put
  // Variables of plugins gone, never freed: a plugin's CVarWrapper may still name one.
  std::vector<std::unique_ptr<Variable>> retired_;
  std::map<std::string, Command> commands_;
  std::map<std::string, BuiltinCommand> builtins_;
  std::map<std::string, Saved> saved_;
  std::set<std::string> held_;
};

}  // namespace host
