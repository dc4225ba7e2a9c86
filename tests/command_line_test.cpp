// The host's command line: options, what is wrong with a bad one, and folders checked at start.

#include "script/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "harness.h"
#include "script/statements.h"

TEST(CommandLine, ReadsTheOptionsOrSaysWhatIsWrong) {
  const struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{}, ""},
      {{"--trace", "--window", "--config", "c", "--plugins", "p", "a.scn"}, ""},
      {{"-"}, ""},  // a file named "-"
      {{"--bogus"}, "unknown option \"--bogus\""},
      {{"-x", "a.scn"}, "unknown option \"-x\""},
      {{"--config"}, "--config needs a folder"},
      {{"--config", "--trace"}, "--config needs a folder"},
      {{"--plugins", ""}, "--plugins needs a folder"},
      {{"a.scn", "b.scn"}, "one scenario file at most, not \"a.scn\" and \"b.scn\""},
      {{"--local-stats", "--stats-url", "https://example.org/"}, ""},
      {{"--stats-url"}, "--stats-url needs a base URL, such as http://127.0.0.1:8080"},
      {{""}, "an empty scenario file name; name a file, or none to type statements"},
      {{"--stats-url", "https://[::1]:8080"}, ""},
  };
  // A base URL is a scheme, a host, an optional port and at most a "/", or it is refused.
  for (const char* bad :
       {"example.org", "http://", "http://:80", "http://127.0.0.1:99999", "http://127.0.0.1:0",
        "http://127.0.0.1:", "http://a b:80", "http://127.0.0.1:18080/api", "http://127.0.0.1//",
        "ftp://x", "http://user@x", "http://[::1", "http://[::g]", "http://h/8080"}) {
    host::CommandLine line;
    std::string error;
    EXPECT_FALSE(host::parseCommandLine({"--stats-url", bad}, line, error)) << bad;
    EXPECT_EQ(error,
              "--stats-url takes http:// or https://, a host, an optional port from 1 to 65535 "
              "and nothing more, such as http://127.0.0.1:8080; not \"" +
                  std::string(bad) + "\"");
  }
  for (const auto& c : cases) {
    host::CommandLine line;
    std::string error;
    EXPECT_EQ(host::parseCommandLine(c.args, line, error), *c.error == '\0') << c.error;
    EXPECT_EQ(error, c.error);
  }
  host::CommandLine line;
  std::string error;
  ASSERT_TRUE(host::parseCommandLine({"--trace", "--config", "c", "--help", "x.scn"}, line, error));
  EXPECT_TRUE(line.options.trace);
  EXPECT_FALSE(line.options.window);
  EXPECT_EQ(line.options.configFolder, "c");
  EXPECT_TRUE(line.help);
  EXPECT_EQ(line.file, "x.scn");
  EXPECT_NE(host::helpText().find("--config <folder>"), std::string::npos);

  // A scenario file always talks to the local stats service; --local-stats says the same.
  const struct {
    std::vector<std::string> args;
    const char* error;
  } clashes[] = {
      {{"--stats-url", "http://127.0.0.1:9/", "x.scn"},
       "--stats-url is for interactive runs: a scenario file always uses the local stats "
       "service"},
      {{"--local-stats", "--stats-url", "http://127.0.0.1:9/"},
       "--stats-url and --local-stats both say where web lookups go: give one of them"},
  };
  for (const auto& c : clashes) {
    line = host::CommandLine();
    ASSERT_TRUE(host::parseCommandLine(c.args, line, error));
    EXPECT_EQ(line.options.statsUrl, "http://127.0.0.1:9");
    line.options.pluginFolder = std::filesystem::temp_directory_path();
    line.options.configFolder.clear();
    EXPECT_FALSE(host::checkCommandLine(line, error));
    EXPECT_EQ(error, c.error);
  }
}

TEST(CommandLine, RefusesFoldersThatAreNotFoldersAndAWindowWithoutADisplayAtTheStart) {
  testing_support::TempFolder folder;
  std::ofstream(folder.path() / "file");
  const struct {
    std::filesystem::path plugins;
    std::filesystem::path config;
    std::string error;
  } cases[] = {
      {folder.path(), folder.path() / "settings", ""},
      {folder.path(), "", ""},
      {folder.path() / "missing", "",
       "the plugins folder " + (folder.path() / "missing").string() + " is not a folder"},
      {folder.path(), folder.path() / "file",
       (folder.path() / "file").string() + ": is not a folder; name a folder to keep the "
                                           "settings in"},
  };
  for (const auto& c : cases) {
    host::CommandLine line;
    line.options.pluginFolder = c.plugins;
    line.options.configFolder = c.config;
    std::string error;
    EXPECT_EQ(host::checkCommandLine(line, error), c.error.empty()) << c.error;
    EXPECT_EQ(error, c.error);
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "settings"));

  // Found missing at the start, not once the run is under way.
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  host::CommandLine line;
  line.options.pluginFolder = folder.path();
  line.options.window = true;
  std::string error;
  EXPECT_FALSE(host::checkCommandLine(line, error));
  EXPECT_EQ(error.rfind("--window: GLFW: cannot start: ", 0), 0u) << error;
  if (display) setenv("DISPLAY", saved.c_str(), 1);
}

TEST(CommandLine, HelpFitsEightyColumnsAndARefusalNamesTheCommandTyped) {
  std::vector<std::string> lines = host::helpLines();
  std::istringstream help(host::helpText());
  for (std::string line; std::getline(help, line);) lines.push_back(line);
  for (const std::string& line : lines) EXPECT_LE(line.size(), 80u) << line;
  // A description goes on in a line of its own only where its next word would pass column 80.
  const std::string column(30, ' ');
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& before = lines[i - 1];
    if (lines[i].rfind(column, 0) != 0 || before.size() <= 30 || before.compare(28, 2, "  ") != 0 ||
        before[30] == ' ') {
      continue;
    }
    EXPECT_GT(before.size() + 1 + host::words(lines[i])[0].size(), 80u) << before;
  }
  for (const host::Statement& statement : host::statements()) {
    EXPECT_NE(
        std::find_if(lines.begin(), lines.end(),
                     [&](const std::string& line) {
                       return (line + " ").rfind("  " + std::string(statement.name) + " ", 0) == 0;
                     }),
        lines.end())
        << statement.name;
  }

  const std::string error = "unknown option \"--bogus\"";
  EXPECT_EQ(host::refusalText(error),
            "error: unknown option \"--bogus\"\nusage: rankwatch-host [<option>...] [<scenario "
            "file>]; --help lists the options\n");
  setenv("RANKWATCH_HOST_COMMAND", "scripts/host [--windows]", 1);
  EXPECT_EQ(host::refusalText(error),
            "error: unknown option \"--bogus\"\nusage: scripts/host [--windows] [<option>...] "
            "[<scenario file>]; --help lists the options\n");
  unsetenv("RANKWATCH_HOST_COMMAND");
}
