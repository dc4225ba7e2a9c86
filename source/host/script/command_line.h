#pragma once

// The host's command line:
//   rankwatch-host [--trace] [--window] [--config <folder>] [--plugins <folder>]
//                  [--local-stats | --stats-url <base>] [--onload-thread own|game|record]
//                  [--execute-waits] [<file>]

#include <string>
#include <vector>

#include "script/session.h"

namespace host {

struct CommandLine {
  SessionOptions options;
  std::string file;  // empty: statements from standard input
  bool help = false;
};

// Reads the arguments after the program's name into `line`, on top of what it holds. False,
// with what is wrong in `error`, for a bad or unknown option, an empty file name or a second one.
bool parseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error);

// Checks what the options name: the plugins folder must be a folder, a config folder is made
// ready (prepareConfigFolder), and --window needs a display. False, with the reason, otherwise.
bool checkCommandLine(const CommandLine& line, std::string& error);

// "usage: rankwatch-host [<option>...] [<scenario file>]"; a launcher script that runs the host
// puts how it is run itself in RANKWATCH_HOST_COMMAND ("scripts/host [--windows]").
std::string usageText();
// What a bad option prints: the error and the usage, two lines.
std::string refusalText(const std::string& error);
// What --help prints.
std::string helpText();

}  // namespace host
