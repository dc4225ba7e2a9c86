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
  // Its argument is a text, the rest of the line: a "#" in it is part of the text, not a
  // comment.
  bool text = false;
};

const std::vector<Statement>& statements();

// "rating <playlist> <value>", or empty for a name that is no statement.
std::string usageOf(const std::string& name);

// True for a statement whose argument is the rest of the line, "#" and all.
bool takesText(const std::string& name);
// `arguments` less a comment at their end: a "#" at their start or after a blank, and what
// follows it.
std::string withoutComment(const std::string& arguments);

// The lines `help` prints, none wider than 80 columns.
std::vector<std::string> helpLines();

// Reading a statement's arguments: the words between blanks; a whole decimal int; a text as it
// is quoted in messages, cut short when long.
std::vector<std::string> words(const std::string& text);
bool parseInt(const std::string& text, int& value);
std::string inQuotes(const std::string& text);

}  // namespace host
