#pragma once

// The statements a scenario file or an interactive user gives the host: their words and what
// they do, for `help` and for messages about a statement used the wrong way.

#include <string>
#include <vector>

namespace host {

struct Statement {
  const char* name;
  const char* arguments;  // as in "rating <playlist> <value>"; empty when it takes none
  const char* description;
};

const std::vector<Statement>& statements();

// "rating <playlist> <value>", or empty for a name that is no statement.
std::string usageOf(const std::string& name);

// The lines `help` prints.
std::vector<std::string> helpLines();

// Reading a statement's arguments: the words between blanks; a whole decimal int; a text as it
// is quoted in messages, cut short when long.
std::vector<std::string> words(const std::string& text);
bool parseInt(const std::string& text, int& value);
std::string inQuotes(const std::string& text);

}  // namespace host
