// The scenario runner: results, exit codes and what a user sees for each kind of statement.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "config_file.h"
#include "harness.h"
#include "script/session.h"
#include "script/statements.h"
#include "script/temporary_folder.h"
#include "script/terminal.h"

using testing_support::TempFolder;

namespace {

struct Outcome {
  host::Session::Result result;
  std::vector<std::string> lines;
};

Outcome runScenario(const std::string& text, const std::filesystem::path& folder,
                    bool trace = false,
                    const std::filesystem::path& plugins =
                        std::filesystem::path(RANKWATCH_PLUGIN_FILE).parent_path()) {
  const auto file = folder / "test.scn";
  if (std::filesystem::is_directory(folder)) std::ofstream(file, std::ios::binary) << text;
  std::ostringstream stream;
  host::Output output(stream);
  host::SessionOptions options;
  options.pluginFolder = plugins;
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

TEST(Scenario, BadStatementsStopTheRunWithOneErrorSayingWhatIsWrong) {
  TempFolder folder;
  // A statement used the wrong way ends the reason with its use; the rows give the reason.
  const struct {
    const char* statement;
    std::string error;
    bool use = true;
  } cases[] = {
      {"jump", "unknown statement \"jump\"; \"help\" lists the statements"},
      // Bytes that are no UTF-8, or a control character in it, escaped; other text as it is.
      {"\x9b"
       "2J\xc3\xa9\xc2\x9b\xe2\x82",
       "unknown statement \"\\x9b2J\xc3\xa9\\xc2\\x9b\\xe2\\x82\"; \"help\" lists the statements"},
      {"wait", "wait needs one number of seconds"},
      {"wait -1", "\"-1\" is not within 0 to 999999999 seconds"},
      {"wait 1e9", "\"1e9\" is not within 0 to 999999999 seconds"},
      {"wait 1e999", "\"1e999\" is not within 0 to 999999999 seconds"},
      {"wait soon", "\"soon\" is not a number of seconds"},
      {"wait nan", "\"nan\" is not a number of seconds"},
      {"rating 11", "rating needs two numbers"},
      {"rating 11\tabc", "\"abc\" is not a rating"},  // a tab parts words as a blank does
      {"rating x 1000", "\"x\" is not a playlist id"},
      {"playlist", "playlist needs one id"},
      {"player steam 7", "\"steam\" is not a platform number from 0 to 11"},
      {"player 12 7", "\"12\" is not a platform number from 0 to 11"},
      {"player 1 18446744073709551616",
       "\"18446744073709551616\" is not a uid from 0 to 18446744073709551615"},
      {"notify 99999999999999999999 x",
       "\"99999999999999999999\" is not a uid from 0 to 18446744073709551615"},
      {"syncing maybe", "syncing needs on or off"},
      {"unsynced", "unsynced needs a playlist id and at most a number of seconds"},
      {"unsynced 11 later", "\"later\" is not a number of seconds"},
      {"load now", "\"now\" is not on-own-thread or on-game-thread"},
      {"load on-own-thread now", "load takes on-own-thread or on-game-thread at most"},
      {"unload gently",
       "\"gently\" is no way to unload: without-release, keeping, holder-only, on-own-thread or "
       "on-game-thread, each once, or nothing"},
      {"unload keeping keeping",
       "\"keeping keeping\" is no way to unload: without-release, keeping, holder-only, "
       "on-own-thread or on-game-thread, each once, or nothing"},
      {"unload on-own-thread on-game-thread",
       "\"on-own-thread on-game-thread\" is no way to unload: without-release, keeping, "
       "holder-only, on-own-thread or on-game-thread, each once, or nothing"},
      {"frame 2", "frame takes no argument"},
      {"render", "render needs a number of frames a second or off"},
      {"render fast", "render needs a number of frames a second or off"},
      {"render 0", "\"0\" is not a number of frames a second from 1 to 1000"},
      {"render 1001", "\"1001\" is not a number of frames a second from 1 to 1000"},
      {"trace", "trace needs on or off"},
      {"console", "console needs a line"},
      {"event", "event needs a game function name"},
      {"screenshot", "screenshot needs one file name, and at most a part of the screen"},
      {"screenshot pic.jpg", "screenshot writes PNG pictures: name a .png file, not \"pic.jpg\""},
      {"screenshot a.png 0 0 1281 1", "the part 0 0 1281 1 is not within the 1280 by 720 screen"},
      {"screenshot a.png 700 0 600 1", "the part 700 0 600 1 is not within the 1280 by 720 screen"},
      {"screenshot a.png 0 0 0 1", "the part 0 0 0 1 is not within the 1280 by 720 screen"},
      {"screenshot a.png 0 0 1e3 1", "\"1e3\" is not a number of pixels"},
      // Statements the host cannot carry out stop the run too, without a use to repeat.
      {"unload", "plugin unload: no plugin named \"rankwatch\"", false},
      {"stats-reply 200 .",
       "cannot read the body file " + (folder.path() / ".").string() + ": it is a folder", false},
      {"stats-reply 200 missing.json",
       "cannot read the body file " + (folder.path() / "missing.json").string() + ": no such file",
       false},
      {"calls 1", "calls takes no argument"},
      {"resize Rankwatch 200", "resize needs a window title, a width and a height"},
      {"resize Rankwatch 0 200", "\"0\" is not a width from 1 to 1280"},
      {"resize Rankwatch 200 721", "\"721\" is not a height from 1 to 720"},
      {"click 1280 0", "\"1280\" is not an x from 0 to 1279"},
      {"drag 0 0 5 720", "\"720\" is not a y from 0 to 719"},
      {"press 5", "press needs a position on the screen"},
      {"wheel 5 5 0", "\"0\" is not a number of steps from -100 to 100, not 0"},
      {"settings", "settings needs a plugin's name or off"},
      {"settings Rankwatch",
       "settings: no plugin named \"Rankwatch\" offers a settings page (offered: none)", false},
      {"items Nowhere, a title that runs on for a good way past the sixty bytes a line quotes",
       "items: no window titled \"Nowhere, a title that runs on for a good way past the sixty "
       "...\" (79 bytes); the GUI holds none",
       false},
      {"window Rank\x1bwatch",
       "\"Rank\\x1bwatch\" is not a window title: it holds a control character"},
      {"help me", "help takes no argument"},
      {"quit now", "quit takes no argument"},
      {"config a b", "config needs one folder"},
      {"stats 11", "stats needs a playlist id and a rating"},
      {"stats x 1000", "\"x\" is not a playlist id"},
      {"stats 11 nan", "\"nan\" is not a finite rating"},
      {"stats-reply", "stats-reply needs a status and at most a body file, or drop"},
      {"stats-reply 199", "\"199\" is not a status from 200 to 599"},
      {"stats-reply 600 a b", "stats-reply needs a status and at most a body file, or drop"},
      {"stats-reply drop now", "stats-reply drop takes nothing more"},
      {"stats-delay -1", "\"-1\" is not within 0 to 600 seconds"},
      {"stats-delay soon", "\"soon\" is not a number of seconds"},
      {"http-timeout 0", "\"0\" is not within 0.001 to 600 seconds"},
      {"http-send-delay 601", "\"601\" is not within 0 to 600 seconds"},
      {"stats-request 1", "stats-request takes no argument"},
      {"settle -1", "\"-1\" is not a number of requests"},
      {"settle 1 2", "settle takes one number of requests at most"},
      {"stats-bogus", "unknown statement \"stats-bogus\"; \"help\" lists the statements"},
  };
  const std::string where = (folder.path() / "test.scn").string() + ":1: ";
  for (const auto& c : cases) {
    Outcome run =
        runScenario(std::string(c.statement) + "\nconsole rankwatch_scale\n", folder.path());
    EXPECT_EQ(run.result, host::Session::Result::BadScenario) << c.statement;
    const host::Statement* row = host::findStatement(host::words(c.statement)[0]);
    const std::string use = row && c.use ? " (use: " + host::usageOf(*row) + ")" : "";
    EXPECT_EQ(run.lines, std::vector<std::string>{"error: " + where + c.error + use});
  }
  // The use spelled out once.
  EXPECT_EQ(runScenario("player 1\n", folder.path()).lines,
            std::vector<std::string>{"error: " + where +
                                     "player needs a platform number and an id (use: player "
                                     "<platform-number> <uid> [<epic-account-id>] | "
                                     "<platform-number> <id-text>)"});
  // Junk is never echoed raw: control bytes escaped, and a long word cut short; a line longer
  // than any statement is refused as such, whatever it holds.
  Outcome junk =
      runScenario(std::string("\x1b[2J\0x", 6) + std::string(900000, 'a') + "\n", folder.path());
  EXPECT_EQ(junk.result, host::Session::Result::BadScenario);
  EXPECT_EQ(junk.lines,
            std::vector<std::string>{"error: " + where + "unknown statement \"\\x1b[2J\\x00x" +
                                     std::string(54, 'a') +
                                     "...\" (900006 bytes); \"help\" lists the statements"});
  Outcome console = runScenario("console " + std::string(900000, 'a') + "\n", folder.path());
  ASSERT_EQ(console.lines.size(), 1u);
  EXPECT_EQ(console.lines[0], "error: " + std::string(993, 'a') + "... (899024 bytes more)");
  for (const size_t size : {size_t(1) << 20, (size_t(1) << 20) + 1}) {
    Outcome huge = runScenario(std::string(size, '\0') + "\nload\n", folder.path());
    EXPECT_EQ(huge.result, host::Session::Result::BadScenario);
    ASSERT_EQ(huge.lines.size(), 1u);
    EXPECT_EQ(huge.lines[0].rfind("error: " + where + "unknown statement", 0) == 0,
              size == size_t(1) << 20);
    EXPECT_EQ(huge.lines[0] == "error: " + where +
                                   "the line is longer than 1048576 bytes, the most a statement "
                                   "may take",
              size > size_t(1) << 20);
  }
  Outcome late = runScenario("load\nconfig elsewhere\n", folder.path());
  EXPECT_EQ(late.result, host::Session::Result::BadScenario);
  Outcome noPlugin = runScenario("load\nframe\n", folder.path(), false, folder.path());
  EXPECT_EQ(noPlugin.result, host::Session::Result::BadScenario);
  EXPECT_EQ(noPlugin.lines, std::vector<std::string>{"error: " + where + "plugin load: " +
                                                     (folder.path() / "rankwatch").string() +
                                                     host::kLibrarySuffix + ": no such file"});
  std::filesystem::create_directories(folder.path() / "in" / "test.scn");
  for (const auto& [in, reason] :
       {std::pair{"nowhere", "no such file"}, {"in", "it is a folder"}}) {
    Outcome unread = runScenario("", folder.path() / in);
    EXPECT_EQ(unread.result, host::Session::Result::BadScenario);
    EXPECT_EQ(unread.lines,
              std::vector<std::string>{"error: " + (folder.path() / in / "test.scn").string() +
                                       ": cannot read the scenario file: " + reason});
  }
}

TEST(Scenario, CommentsBlanksAndRefusedInputGoOnWhateverTheLineEndings) {
  TempFolder folder;
  const std::string file = (folder.path() / "test.scn").string();
  const std::string text =
      "# a comment\n"
      "\n"
      "   \n"
      "load\n"
      "console nonsense\n"
      "expect error: nonsense: unknown command\n"
      "screenshot " +
      (folder.path() / "early.png").string() +
      "\n"
      "expect error: " +
      file +
      ":7: screenshot: no frame drawn yet\n"
      "window Rankwatch\n"
      "expect error: window: no window titled \"Rankwatch\"; the GUI holds none\n"
      "frame # a comment after a blank\n"
      "expect frame: -\n"
      "wait 1\t# and after a tab\n"
      "console rankwatch_trackingmethod \"web #1\"\n"
      "console rankwatch_trackingmethod\n"
      "expect cvar rankwatch_trackingmethod = web #1\n"
      "screenshot " +
      (folder.path() / "missing" / "late.png").string() +
      "\n"
      "expect error: " +
      file + ":17: screenshot: cannot write PNG '" +
      (folder.path() / "missing" / "late.png").string() + "': No such file or directory\n";
  std::string windows;  // as saved by a Windows editor
  for (char c : text) windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (const std::string& lines : {text, windows}) {
    Outcome run = runScenario(lines, folder.path());
    // The run goes on, but pictures not taken fail it.
    EXPECT_EQ(run.result, host::Session::Result::PictureNotWritten) << lines;
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "early.png"));
  }
}

TEST(Scenario, RestartKeepsTheSettingsInANamedConfigFolder) {
  TempFolder folder;
  const auto config = folder.path() / "config";
  // Relative names are the scenario's folder's, wherever the host runs.
  Outcome first = runScenario(
      "config config\n"
      "load\n"
      "console rankwatch_scale 2.5\n"
      "restart\n"
      "console rankwatch_scale\n"
      "expect cvar rankwatch_scale = 2.5\n"
      "frame\n"
      "screenshot shot.png 0 0 100 50\n",
      folder.path());
  EXPECT_EQ(first.result, host::Session::Result::Ok);
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "shot.png"));
  // The folder stays, and a later run starts from it.
  Outcome second =
      runScenario("config " + config.string() +
                      "\nload\nconsole rankwatch_scale\nexpect cvar rankwatch_scale = 2.5\n",
                  folder.path());
  EXPECT_EQ(second.result, host::Session::Result::Ok);
  EXPECT_TRUE(std::filesystem::exists(config / "config.cfg"));
  // A call into a closed library before the restart still ends the run with exit status 5.
  Outcome closed = runScenario("console plugin load " FORGETFUL_PLUGIN_FILE
                               "\nconsole plugin unload forgetful keeping\nevent "
                               "Function TAGame.GameEvent_TA.StartEvent\nrestart\n",
                               folder.path());
  EXPECT_EQ(closed.result, host::Session::Result::UnloadedPluginCalled);
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
  // Unloaded at the run's end, before the save: a last stop request would wait for the folder.
  struct Probe : BakkesMod::Plugin::BakkesModPlugin {
    bool held = false;
    void onUnload() override {
      std::thread([&] { held = host::temporaryFolderHeld(); }).join();
    }
  };
  auto probe = std::make_shared<Probe>();
  {
    host::Session session(output, options);
    EXPECT_EQ(session.runFile(file), host::Session::Result::Ok);
    used = session.configFolder();
    EXPECT_TRUE(std::filesystem::exists(used / "config.cfg"));
    session.host().plugins().adopt("probe", probe);
  }
  EXPECT_FALSE(used.empty());
  EXPECT_FALSE(std::filesystem::exists(used));
  EXPECT_TRUE(probe->held) << "the run's end let go of the folder before its save";
}

namespace {

// Input a person types: lines come when the test types them, and end when it says so.
class TypedInput : public std::streambuf {
 public:
  void type(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ += text;
    changed_.notify_all();
  }
  void end() {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    changed_.notify_all();
  }

 protected:
  int_type underflow() override {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !pending_.empty() || ended_; });
    if (pending_.empty()) return traits_type::eof();
    current_ = std::exchange(pending_, std::string());
    setg(current_.data(), current_.data(), current_.data() + current_.size());
    return traits_type::to_int_type(current_[0]);
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string pending_;
  std::string current_;
  bool ended_ = false;
};

struct TypedStream : std::istream {
  TypedStream() : std::istream(nullptr) { rdbuf(&input); }
  TypedInput input;
};

struct Interactive {
  explicit Interactive(const std::filesystem::path& config) {
    options.pluginFolder = std::filesystem::path(RANKWATCH_PLUGIN_FILE).parent_path();
    options.configFolder = config;
    options.time = host::Clock::Mode::Real;
  }
  std::string text() const {
    auto still = output.hold();
    return stream.str();
  }
  bool shows(const std::string& line) const {
    return ("\n" + text()).find("\n" + line + "\n") != std::string::npos;
  }

  std::ostringstream stream;
  host::Output output{stream};
  host::SessionOptions options;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(Scenario, InteractiveRunsInRealTimeAndGoesOnAfterMistakes) {
  TempFolder folder;
  Interactive run(folder.path());
  run.options.person = true;
  auto typed = std::make_shared<TypedStream>();
  typed->input.type(
      "frame\n"
      "load\n"
      "nonsense statement\n"
      "console rankwatch_enabled 1\n"
      "console closemenu rankwatch\n"
      "restart\n"
      "wait 1.2\n"
      "frame\n");
  // Typed while the wait is under way, once the overlay has opened a second into it: it waits
  // its turn.
  std::thread typist([&] {
    testing_support::until([&] { return run.shows("command: openmenu rankwatch"); });
    typed->input.type("console rankwatch_addwin\nframe\n");
    testing_support::until([&] { return run.text().find("Wins : 1") != std::string::npos; });
    typed->input.type("quit\n");
  });
  const auto start = std::chrono::steady_clock::now();
  host::Session session(run.output, run.options);
  EXPECT_EQ(session.runInteractive(typed), host::Session::Result::Ok);
  EXPECT_GE(secondsSince(start), 1.2);
  typist.join();
  typed->input.end();
  // A banner first, and a hint when a frame shows nothing.
  EXPECT_EQ(run.text().rfind("rankwatch-host: plugins from ", 0), 0u) << run.text();
  EXPECT_TRUE(run.shows("hint: no plugin is loaded: \"load\" loads it")) << run.text();
  EXPECT_TRUE(run.shows("command: openmenu rankwatch")) << run.text();
  EXPECT_TRUE(
      run.shows("error: stdin:3: unknown statement \"nonsense\"; \"help\" lists the "
                "statements"))
      << run.text();
  const std::string shown =
      "frame: MMR : +0.00 | Streak : 0 | Wins : 0 | Losses : 0\n"
      "frame: MMR : +0.00 | Streak : +1 | Wins : 1 | Losses : 0\n";
  EXPECT_NE(run.text().find(shown), std::string::npos) << run.text();
}

TEST(Scenario, OutputAtThePromptTakesItsLineWholeAndThePromptComesBack) {
  TempFolder folder;
  Interactive run(folder.path());
  run.options.person = true;
  run.options.prompt = true;
  run.output.setTerminal(true);
  auto typed = std::make_shared<TypedStream>();
  typed->input.type("load\nconsole rankwatch_enabled 1\nrestart\n");
  std::thread typist([&] {
    // The overlay opens a second after the load, while the prompt shows.
    testing_support::until(
        [&] { return run.text().find("command: openmenu rankwatch\n") != std::string::npos; });
    typed->input.type("quit\n");
  });
  host::Session session(run.output, run.options);
  EXPECT_EQ(session.runInteractive(typed), host::Session::Result::Ok);
  typist.join();
  typed->input.end();
  // Whatever was typed on the prompt's line so far is cleared, not left after the output.
  EXPECT_NE(run.text().find("> \r\x1b[Kcommand: openmenu rankwatch\n> "), std::string::npos)
      << run.text();
}

TEST(Scenario, PipedLinesRunAsAFileDoesButAPersonCanCutAWaitShortAndGoOnAfterMistakes) {
  TempFolder folder;
  const std::string overlay = "frame: MMR : +0.00 | Streak : 0 | Wins : 0 | Losses : 0";
  const struct {
    const char* typed;
    bool person;            // typed at a terminal, not piped
    bool ends;              // the input ends after the lines
    const char* stopAfter;  // a stop request comes once the output holds this
    host::Session::Result result;
    double seconds;     // the run takes at least this long
    std::string shown;  // a line the run shows
    std::string never;  // a line it does not
  } cases[] = {
      {"wait 999999999\nquit\nframe\n", true, false, nullptr, host::Session::Result::Ok, 0, "",
       "frame: -"},
      {"wait 999999999\n", true, true, nullptr, host::Session::Result::Ok, 0, "", ""},
      {"console rankwatch_scale\nwait 999999999\n", false, false, "cvar rankwatch_scale = 2",
       host::Session::Result::Stopped, 0, "", ""},
      {"console rankwatch_enabled 1\nconsole rankwatch_trackingmethod web\nplaylist 11\n"
       "stats-delay 30\nhttp-timeout 30\nnotify\nsettle 1\n",
       false, false, "http: GET", host::Session::Result::Stopped, 0, "", ""},
      // A reply that never comes ends the run: what follows would look at nothing.
      {"console rankwatch_enabled 1\nconsole rankwatch_trackingmethod web\nplaylist 11\n"
       "stats-delay 30\nhttp-timeout 30\nnotify\nsettle 1\nconsole rankwatch_scale\n",
       false, true, nullptr, host::Session::Result::BadScenario, 10, "",
       "cvar rankwatch_scale = 2"},
      // Piped lines run as a file's do, waits included.
      {"console rankwatch_enabled 1\nrestart\nwait 1.2\nframe\n", false, true, nullptr,
       host::Session::Result::Ok, 1.2, overlay, "frame: -"},
      {"wait 0.5\nquit\nframe\n", false, true, nullptr, host::Session::Result::Ok, 0.5, "",
       "frame: -"},
      // A failed check or a bad statement ends piped lines as it ends a file; a person goes on,
      // and a failed check still fails the run.
      {"console rankwatch_scale\nexpect cvar rankwatch_scale = 3\nframe\n", false, true, nullptr,
       host::Session::Result::ExpectFailed, 0, "", "frame: -"},
      {"jump\nframe\n", false, true, nullptr, host::Session::Result::BadScenario, 0, "",
       "frame: -"},
      {"console rankwatch_scale\nexpect cvar rankwatch_scale = 3\njump\nframe\n", true, true,
       nullptr, host::Session::Result::ExpectFailed, 0, "frame: -", ""},
  };
  for (const auto& c : cases) {
    Interactive run(folder.path());
    run.options.person = c.person;
    run.options.localStats = true;
    run.options.trace = c.stopAfter != nullptr;  // a request sent shows as it goes
    auto typed = std::make_shared<TypedStream>();
    typed->input.type(std::string("load\nconsole rankwatch_scale 2\n") + c.typed);
    if (c.ends) typed->input.end();
    // A wait or a settle not cut short would not end in Stopped.
    std::thread stopper([&] {
      if (!c.stopAfter) return;
      testing_support::until([&] { return run.text().find(c.stopAfter) != std::string::npos; });
      host::requestStop(SIGINT);
    });
    const auto start = std::chrono::steady_clock::now();
    {
      host::Session session(run.output, run.options);
      EXPECT_EQ(session.runInteractive(typed), c.result) << c.typed;
    }
    EXPECT_GE(secondsSince(start), c.seconds) << c.typed;
    stopper.join();
    host::requestStop(0);
    typed->input.end();
    EXPECT_TRUE(c.shown.empty() || run.shows(c.shown)) << c.typed << run.text();
    EXPECT_TRUE(c.never.empty() || !run.shows(c.never)) << c.typed << run.text();
    // However it ended, the settings were saved.
    std::ifstream saved(host::configFile(folder.path()));
    const std::string text((std::istreambuf_iterator<char>(saved)), {});
    EXPECT_NE(text.find("rankwatch_scale \"2\""), std::string::npos) << c.typed;
    std::filesystem::remove(host::configFile(folder.path()));
  }
}

TEST(Scenario, AStopRequestEndsAScenarioAndItsTemporaryFolderGoes) {
  const struct {
    int signal;
    const char* name;
  } cases[] = {{SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP (the terminal closed)"}};
  for (const auto& c : cases) {
    TempFolder folder;
    const auto file = folder.path() / "test.scn";
    std::ofstream(file) << "console rankwatch_scale 2\n";
    std::ostringstream stream;
    host::Output output(stream);
    host::SessionOptions options;
    options.pluginFolder = std::filesystem::path(RANKWATCH_PLUGIN_FILE).parent_path();
    std::filesystem::path used;
    {
      host::Session session(output, options);
      EXPECT_EQ(session.run("load", "test:1"), host::Session::Result::Ok);
      used = session.configFolder();
      host::requestStop(c.signal);
      EXPECT_EQ(session.runFile(file), host::Session::Result::Stopped);
      host::requestStop(0);
      EXPECT_TRUE(session.finish());
    }
    EXPECT_EQ(stream.str(), std::string("note: stopped by ") + c.name +
                                "; unloading the plugin and saving the settings\n");
    EXPECT_FALSE(used.empty());
    EXPECT_FALSE(std::filesystem::exists(used));
  }
}

TEST(Scenario, FinishingSaysWhenTheSettingsCouldNotBeSaved) {
  TempFolder folder;
  std::filesystem::create_directory(host::configFile(folder.path()).string() + ".tmp");
  std::ostringstream stream;
  host::Output output(stream);
  host::SessionOptions options;
  options.pluginFolder = std::filesystem::path(RANKWATCH_PLUGIN_FILE).parent_path();
  options.configFolder = folder.path();
  host::Session session(output, options);
  EXPECT_EQ(session.run("load", "test:1"), host::Session::Result::Ok);
  EXPECT_FALSE(session.finish());
  EXPECT_NE(stream.str().find("error: the settings were not saved: cannot write"),
            std::string::npos)
      << stream.str();
}

TEST(Scenario, InteractiveRunsSendWebLookupsOnlyWhereToldAndSayWhereAFailedOneWent) {
  const std::string web =
      "load\nconsole rankwatch_enabled 1\nconsole rankwatch_trackingmethod web\nplaylist 11\n"
      "notify\nsettle 1\n";
  const std::string profile = "/api/v2/rocket-league/standard/profile/steam/76561198000000001";
  const struct {
    bool local;
    std::string statsUrl;
    std::string typed;
    host::Session::Result result;
    std::string banner;  // the line that says where lookups go, or its start
    std::string shown;
  } cases[] = {
      // Without the local service a lookup would go out to the public one: none is made.
      {false, "", "stats 11 1000\n" + web, host::Session::Result::BadScenario, "",
       "error: stdin:1: stats: no local stats service here; start the host with --local-stats"},
      {true, "", "stats 11 1000\n" + web + "stats 11 1010\nnotify\nsettle 1\nframe\n",
       host::Session::Result::Ok, "Web lookups go to the local stats service at http://127.0.0.1:",
       "frame: MMR : +10.00 | Streak : +1 | Wins : 1 | Losses : 0"},
      // Nothing listens on port 0: the line names the URL asked, not the public service's.
      {false, "http://127.0.0.1:0", web, host::Session::Result::Ok,
       "Web lookups go to http://127.0.0.1:0.",
       "http: http://127.0.0.1:0" + profile + ": the connection was refused"},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    Interactive run(folder.path());
    run.options.localStats = c.local;
    run.options.statsUrl = c.statsUrl;
    host::Session session(run.output, run.options);
    EXPECT_EQ(session.runInteractive(std::make_shared<std::istringstream>(c.typed)), c.result)
        << c.typed;
    EXPECT_EQ(run.text().find("Web lookups go to") != std::string::npos, !c.banner.empty())
        << run.text();
    EXPECT_NE(run.text().find(c.banner), std::string::npos) << run.text();
    EXPECT_TRUE(run.shows(c.shown)) << run.text();
  }
}
