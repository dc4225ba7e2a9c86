// The host's command line: options, what is wrong with a bad one, and folders checked at start.

#include "script/command_line.h"

#include <gtest/gtest.h>

#include <fstream>

#include "harness.h"

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
      {{"--stats-url", "example.org"},
       "--stats-url needs a base URL starting with http:// or https://, not \"example.org\""},
  };
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

TEST(CommandLine, RefusesFoldersThatAreNotFoldersAtTheStart) {
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
}
