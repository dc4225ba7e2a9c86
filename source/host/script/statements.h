#pragma once

// The statements a scenario file or an interactive user gives the host, one row each: its
// forms, how its words are read and the Session member that carries it out. `help` and the use
// quoted when a statement is used the wrong way come from the rows. Beside them, the one reader
// of a statement's words and numbers.

#include <charconv>
#include <string>
#include <vector>

#include "script/session.h"

namespace host {

struct Statement {
  const char* name;
  const char* arguments;  // as in "rating <playlist> <value>"; empty when it takes none
  const char* description;
  Session::Result (Session::*run)(const Call&);
  // How many words it takes; fewer or more are refused with "<name> <misuse>".
  int fewest = 0;
  int most = 0;
  const char* misuse = "takes no argument";
  // Its argument is a text, the rest of the line, in which a "#" starts no comment.
  bool text = false;
};

// One statement as given: its row, the rest of its line (a comment dropped unless it takes a
// text), the rest's words, and where it stands ("file:line").
struct Call {
  const Statement& statement;
  std::string rest;
  std::vector<std::string> args;
  std::string where;
};

const std::vector<Statement>& statements();
// Null for a name that is no statement.
const Statement* findStatement(const std::string& name);
// "rating <playlist> <value>".
std::string usageOf(const Statement& statement);

// The lines `help` prints, none wider than 80 columns.
std::vector<std::string> helpLines();

// Reading a statement: its first word and the rest, blanks around them trimmed; the words
// between blanks; the arguments less a comment at their end (a "#" at their start or after a
// blank, and what follows it).
void cut(const std::string& text, std::string& word, std::string& rest);
std::vector<std::string> words(const std::string& text);
std::string withoutComment(const std::string& arguments);

// The whole of `text` as a number of `value`'s type: a whole decimal for an integer; for a
// float or double, fixed or exponent form, "nan" and "inf" among them, and a "+" before it
// where `plus` allows. False otherwise; then `outOfRange`, if given, says whether it was a
// number beyond the type's range.
template <typename Number>
bool readNumber(const std::string& text, Number& value, bool plus = false,
                bool* outOfRange = nullptr) {
  const char* begin = text.data() + (plus && !text.empty() && text[0] == '+' ? 1 : 0);
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (outOfRange) *outOfRange = stop == end && error == std::errc::result_out_of_range;
  return stop == end && error == std::errc();
}

// "<it> is not <what>", the text in quotes (output.h).
std::string isNot(const std::string& text, const std::string& what);

}  // namespace host
