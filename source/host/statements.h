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

}  // namespace host
