// rankwatch-host: the stand-in host. Runs a scenario file, or statements typed at the console.
// script/command_line.h lists its options.

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include "gui/live_window.h"
#include "script/command_line.h"
#include "script/session.h"
#include "script/terminal.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace {

std::filesystem::path defaultConfigFolder() {
#if defined(_WIN32)
  if (const char* appData = std::getenv("APPDATA"); appData && *appData) {
    return std::filesystem::path(appData) / "rankwatch-host";
  }
#endif
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    return std::filesystem::path(xdg) / "rankwatch-host";
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::filesystem::path(home) / ".config" / "rankwatch-host";
  }
  return std::filesystem::current_path() / "rankwatch-host-config";
}

int refuse(const std::string& error) {
  std::cerr << host::refusalText(error);
  return 2;
}

// The process's end, saved and cleaned up: at once where the live window's display went away,
// whatever ended the run, since the X library's own teardown at exit would wait for ever on it.
int ended(int status) {
  if (!host::LiveWindow::displayLost()) return status;
  std::cout.flush();
  std::_Exit(status);
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // Lines end in "\n" alone, as on Linux, so outputs compare byte for byte.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  host::CommandLine command;
  command.options.pluginFolder = RANKWATCH_PLUGIN_DIR;
  std::string error;
  if (!host::parseCommandLine({argv + 1, argv + argc}, command, error)) return refuse(error);
  if (command.help) {
    std::cout << host::helpText();
    return 0;
  }
  const bool interactive = command.file.empty();
  if (interactive) {
    command.options.time = host::Clock::Mode::Real;
    command.options.person = host::inputIsTerminal();
    // A person keeps their settings from run to run; piped statements start afresh, as a file
    // does, so the same lines give the same output every time.
    if (command.options.person && command.options.configFolder.empty()) {
      command.options.configFolder = defaultConfigFolder();
    }
    // A prompt is for a person's eyes: none in a log the output is sent to.
    command.options.prompt = command.options.person && host::outputIsTerminal();
  }
  if (!host::checkCommandLine(command, error)) return refuse(error);

  host::catchStopRequests();
#if !defined(_WIN32)
  // A write past the file size limit then fails as a full disk does, told and survived, instead
  // of ending the run with the settings unsaved and a temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  host::Output output(std::cout);
  output.setTerminal(command.options.prompt);
  host::Session::Result result;
  bool saved = false;
  try {
    host::Session session(output, command.options);
    // std::cin lives as long as the process; a reader still blocked in it at exit is let go.
    result =
        interactive
            ? session.runInteractive(std::shared_ptr<std::istream>(&std::cin, [](std::istream*) {}))
            : session.runFile(command.file);
    saved = session.finish();
  } catch (const std::exception& failure) {
    // Statements report their own; this is for the rest. Caught, it unwinds the session, which
    // saves the settings and removes a temporary folder on its way out.
    output.error(failure.what());
    return ended(2);
  }
  if (result == host::Session::Result::Stopped) return ended(128 + host::stopRequested());
  const bool wentThrough =
      result == host::Session::Result::Ok || result == host::Session::Result::PictureNotWritten;
  return ended(wentThrough && !saved ? 3 : static_cast<int>(result));
}
