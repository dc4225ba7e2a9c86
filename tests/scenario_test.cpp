// The scenario runner: results, exit codes and what a user sees for each kind of statement.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "harness.h"
#include "scenario.h"

using testing_support::TempFolder;

namespace {

struct Outcome {
  host::Session::Result result;
  std::vector<std::string> lines;
};

Outcome runScenario(const std::string& text, const std::filesystem::path& folder,
                    bool trace = false) {
  const auto file = folder / "test.scn";
  std::ofstream(file) << text;
  std::ostringstream stream;
  host::Output output(stream);
  host::SessionOptions options;
  options.pluginFolder = std::filesystem::path(RANKWATCH_PLUGIN_FILE).parent_path();
  options.trace = trace;
  Outcome run;
  {
    host::Session session(output, options);
    run.result = session.runFile(file);
  }
  std::istringstream in(stream.str());
  for (std::string line; std::getline(in, line);) run.lines.push_back(line);
  return run;
}

}  // namespace

TEST(Scenario, ExpectChecksTheLastLineButNeverATraceLine) {
  TempFolder folder;
  Outcome ok = runScenario(
      "load\n"
      "console rankwatch_scale\n"
      "console rankwatch_addwin\n"  // traced calls, no output line
      "expect cvar rankwatch_scale = 1\n",
      folder.path(), true);
  EXPECT_EQ(ok.result, host::Session::Result::Ok);

  Outcome failed = runScenario(
      "load\nconsole rankwatch_scale\nexpect cvar rankwatch_scale = 2\n"
      "console rankwatch_scale 3\n",
      folder.path());
  EXPECT_EQ(failed.result, host::Session::Result::ExpectFailed);
  ASSERT_EQ(failed.lines.size(), 4u);
  EXPECT_EQ(failed.lines[1], "expect failed at " + (folder.path() / "test.scn").string() + ":3");
  EXPECT_EQ(failed.lines[2], "  expected: cvar rankwatch_scale = 2");
  EXPECT_EQ(failed.lines[3], "  actual:   cvar rankwatch_scale = 1");
}

TEST(Scenario, BadStatementsStopTheRunWithoutTouchingTheOutput) {
  TempFolder folder;
  for (const char* statement :
       {"jump", "wait", "wait -1", "wait soon", "rating 11", "rating x 1000", "playlist",
        "player 1", "syncing maybe", "unsynced", "unsynced 11 later", "load now", "frame 2",
        "trace", "notify a b", "console", "event", "screenshot", "calls 1"}) {
    Outcome run =
        runScenario(std::string(statement) + "\nconsole rankwatch_scale\n", folder.path());
    EXPECT_EQ(run.result, host::Session::Result::BadScenario) << statement;
    EXPECT_TRUE(run.lines.empty()) << statement;
  }
  Outcome late = runScenario("load\nconfig elsewhere\n", folder.path());
  EXPECT_EQ(late.result, host::Session::Result::BadScenario);
}

TEST(Scenario, CommentsBlanksAndRefusedInputGoOn) {
  TempFolder folder;
  Outcome run = runScenario(
      "# a comment\n"
      "\n"
      "   \n"
      "load\n"
      "console nonsense\n"
      "expect error: nonsense: unknown command\n"
      "screenshot " +
          (folder.path() / "early.png").string() +
          "\n"
          "expect error: screenshot: no frame drawn yet\n"
          "window Rankwatch\n"
          "expect error: window: no window titled \"Rankwatch\"\n"
          "frame\n"
          "expect frame: -\n",
      folder.path());
  EXPECT_EQ(run.result, host::Session::Result::Ok);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "early.png"));
}

TEST(Scenario, RestartKeepsTheSettingsInANamedConfigFolder) {
  TempFolder folder;
  const auto config = folder.path() / "config";
  Outcome first = runScenario("config " + config.string() +
                                  "\n"
                                  "load\n"
                                  "console rankwatch_scale 2.5\n"
                                  "restart\n"
                                  "console rankwatch_scale\n"
                                  "expect cvar rankwatch_scale = 2.5\n",
                              folder.path());
  EXPECT_EQ(first.result, host::Session::Result::Ok);
  // The folder stays, and a later run starts from it.
  Outcome second =
      runScenario("config " + config.string() +
                      "\nload\nconsole rankwatch_scale\nexpect cvar rankwatch_scale = 2.5\n",
                  folder.path());
  EXPECT_EQ(second.result, host::Session::Result::Ok);
  EXPECT_TRUE(std::filesystem::exists(config / "config.cfg"));
}

TEST(Scenario, WithoutAConfigStatementTheSettingsGoAwayWithTheRun) {
  TempFolder folder;
  const auto file = folder.path() / "test.scn";
  std::ofstream(file) << "load\nconsole rankwatch_scale 2\nrestart\nconsole rankwatch_scale\n"
                         "expect cvar rankwatch_scale = 2\n";
  std::ostringstream stream;
  host::Output output(stream);
  host::SessionOptions options;
  options.pluginFolder = std::filesystem::path(RANKWATCH_PLUGIN_FILE).parent_path();
  std::filesystem::path used;
  {
    host::Session session(output, options);
    EXPECT_EQ(session.runFile(file), host::Session::Result::Ok);
    used = session.configFolder();
    EXPECT_TRUE(std::filesystem::exists(used / "config.cfg"));
  }
  EXPECT_FALSE(used.empty());
  EXPECT_FALSE(std::filesystem::exists(used));
}

TEST(Scenario, InteractiveRunsInRealTimeAndGoesOnAfterMistakes) {
  TempFolder folder;
  std::ostringstream stream;
  host::Output output(stream);
  host::SessionOptions options;
  options.pluginFolder = std::filesystem::path(RANKWATCH_PLUGIN_FILE).parent_path();
  options.configFolder = folder.path();
  options.time = host::Clock::Mode::Real;
  std::istringstream in(
      "load\n"
      "nonsense statement\n"
      "console rankwatch_enabled 1\n"
      "console closemenu rankwatch\n"
      "restart\n"
      "wait 1.2\n"
      "frame\n");
  host::Session session(output, options);
  EXPECT_EQ(session.runInteractive(in), host::Session::Result::Ok);
  const std::string text = stream.str();
  EXPECT_NE(text.find("command: openmenu rankwatch\n"), std::string::npos) << text;
  EXPECT_NE(text.find("frame: MMR : +0.00 | Streak : 0 | Wins : 0 | Losses : 0"), std::string::npos)
      << text;
}
