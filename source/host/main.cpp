// rankwatch-host: the stand-in host. Runs a scenario file, or statements typed at the console.
//
//   rankwatch-host [--trace] [--window] [--config <folder>] [--plugins <folder>] [<file>]

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "scenario.h"

namespace {

#ifndef RANKWATCH_PLUGIN_DIR
#define RANKWATCH_PLUGIN_DIR "source/plugins"
#endif

std::filesystem::path defaultConfigFolder() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    return std::filesystem::path(xdg) / "rankwatch-host";
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::filesystem::path(home) / ".config" / "rankwatch-host";
  }
  return std::filesystem::current_path() / "rankwatch-host-config";
}

int usage() {
  std::cerr << "usage: rankwatch-host [--trace] [--window] [--config <folder>] "
               "[--plugins <folder>] [<scenario file>]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  host::SessionOptions options;
  options.pluginFolder = RANKWATCH_PLUGIN_DIR;
  std::string file;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--trace") {
      options.trace = true;
    } else if (arg == "--window") {
      options.window = true;
    } else if ((arg == "--config" || arg == "--plugins") && i + 1 < argc) {
      (arg == "--config" ? options.configFolder : options.pluginFolder) = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      usage();
      return 0;
    } else if (!arg.empty() && arg[0] == '-') {
      return usage();
    } else if (file.empty()) {
      file = arg;
    } else {
      return usage();
    }
  }

  host::Output output(std::cout);
  if (!file.empty()) {
    host::Session session(output, options);
    return static_cast<int>(session.runFile(file));
  }
  if (options.configFolder.empty()) options.configFolder = defaultConfigFolder();
  options.time = host::Clock::Mode::Real;
  host::Session session(output, options);
  return static_cast<int>(session.runInteractive(std::cin));
}
