#pragma once

// The host's command line:
//   rankwatch-host [--trace] [--window] [--config <folder>] [--plugins <folder>]
//                  [--local-stats | --stats-url <base>] [<file>]

#include <string>
#include <vector>

#include "script/scenario.h"

namespace host {

struct CommandLine {
  SessionOptions options;
  std::string file;  // empty: statements from standard input
  bool help = false;
};

// Reads the arguments after the program's name into `line`, on top of what it holds. False,
// with what is wrong in `error`, for an option the host does not know, one without its value,
// or a second file.
bool parseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error);

// Checks what the options name on disk: the plugins folder must be a folder, and a config
// folder is made ready (prepareConfigFolder). False, with the reason, otherwise.
bool checkCommandLine(const CommandLine& line, std::string& error);

std::string usageText();
// What --help prints.
std::string helpText();

}  // namespace host
