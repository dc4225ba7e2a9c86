// The built plugin library as the host sees it: its exports, its record, and how the host
// loads, refuses and unloads libraries.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <thread>

#include "harness.h"
#include "loader.h"
#include "plugin_exports.h"

namespace {

std::set<std::string> exportedSymbols(const char* file) {
  std::set<std::string> symbols;
  const std::string command = std::string("nm -D --defined-only ") + file;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return symbols;
  char line[1024];
  while (std::fgets(line, sizeof line, pipe)) {
    char name[1024];
    char type;
    unsigned long long address;
    if (std::sscanf(line, "%llx %c %1023s", &address, &type, name) == 3) symbols.insert(name);
  }
  pclose(pipe);
  return symbols;
}

// Leaves its hook and its rating registration behind at unload; its token goes elsewhere.
struct LeavesThingsBehind : BakkesMod::Plugin::BakkesModPlugin {
  std::shared_ptr<int> called = std::make_shared<int>(0);
  std::unique_ptr<MMRNotifierToken> token;
  void onLoad() override {
    gameWrapper->HookEvent("Function TAGame.GameEvent_TA.StartEvent",
                           [called = called](std::string) { ++*called; });
    token = gameWrapper->GetMMRWrapper().RegisterMMRNotifier(
        [called = called](UniqueIDWrapper) { ++*called; });
  }
};

// Counts its copies, not its moves.
struct Counted {
  std::shared_ptr<int> copies;
  explicit Counted(std::shared_ptr<int> counter) : copies(std::move(counter)) {}
  Counted(const Counted& other) : copies(other.copies) { ++*copies; }
  Counted(Counted&&) noexcept = default;
  template <typename... Args>
  void operator()(Args&&...) const {}
};

}  // namespace

TEST(PluginLibrary, ExportsOnlyItsRecordFunctionsAndBasePart) {
  std::set<std::string> found = exportedSymbols(RANKWATCH_PLUGIN_FILE);
  // The linker's version node is not a symbol of ours.
  for (auto it = found.begin(); it != found.end();) {
    it = it->rfind("VERS_", 0) == 0 || *it == "Base" ? found.erase(it) : std::next(it);
  }
  EXPECT_EQ(found, kPluginExports);
}

TEST(PluginLibrary, RecordReadsByLayout) {
  void* library = dlopen(RANKWATCH_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  const auto* bytes = static_cast<const unsigned char*>(dlsym(library, "exports"));
  ASSERT_NE(bytes, nullptr);

  auto read32 = [&](size_t at) {
    std::uint32_t value;
    std::memcpy(&value, bytes + at, 4);
    return value;
  };
  auto text = [&](size_t at) {
    const char* pointer;
    std::memcpy(&pointer, bytes + at, 8);
    return std::string(pointer);
  };
  auto address = [&](size_t at) {
    void* pointer;
    std::memcpy(&pointer, bytes + at, 8);
    return pointer;
  };
  EXPECT_EQ(read32(0), 95u);
  EXPECT_EQ(read32(4), 0u);
  EXPECT_NE(text(8).find("rankwatch.cpp"), std::string::npos);
  EXPECT_EQ(text(16), "rankwatch");
  EXPECT_EQ(text(24), "Rankwatch");
  EXPECT_EQ(text(32), "1.3b");
  EXPECT_EQ(read32(40), 0x20u);
  EXPECT_EQ(read32(44), 0u);
  EXPECT_EQ(address(48), dlsym(library, "getPlugin"));
  EXPECT_EQ(address(56), dlsym(library, "deleteMe"));
  dlclose(library);
}

TEST(Loader, RefusesLibrariesThatAreNotPluginsWithOneLine) {
  const struct {
    const char* file;
    const char* reason;
  } cases[] = {
      {"/nonexistent/rankwatch.so", "plugin load: /nonexistent/rankwatch.so: no such file"},
      {RANKWATCH_SCENARIO_DIR "/defaults.scn", "defaults.scn: not a library this host can load: "},
      {NOT_A_PLUGIN_FILE, "not a plugin: it exports no plugin record"},
      {WRONG_VERSION_FILE, "plugin API version 94 is not 95"},
      {EMPTY_NAME_FILE, "plugin record has an empty name"},
      {NO_OBJECT_FILE, "the plugin made no object"},
  };
  testing_support::Harness harness;
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(harness.host->plugins().load(c.file, error)) << c.file;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
  EXPECT_TRUE(harness.host->plugins().names().empty());
}

TEST(Loader, FindsTheWindowInterfaceOfALoadedLibrary) {
  testing_support::Harness harness;
  std::string error;
  ASSERT_TRUE(harness.host->plugins().load(RANKWATCH_PLUGIN_FILE, error)) << error;
  host::PluginSlot* slot = harness.host->plugins().plugin("rankwatch");
  ASSERT_NE(slot, nullptr);
  ASSERT_NE(slot->window, nullptr);
  EXPECT_EQ(slot->window->getMenuName(), "rankwatch");
  EXPECT_EQ(slot->window->getMenuTitle(), "Rankwatch");
  EXPECT_FALSE(harness.host->plugins().load(RANKWATCH_PLUGIN_FILE, error));
  EXPECT_EQ(error, "plugin load: rankwatch is loaded already");
}

TEST(Loader, LoadsByNameFromThePluginsFolderWithOrWithoutTheSuffix) {
  const std::filesystem::path file = RANKWATCH_PLUGIN_FILE;
  testing_support::Harness harness;
  harness.host->setPluginFolder(file.parent_path());
  harness.ratings.setPlaylist(11);
  // Either system's suffix names the library built for this one; each way of unloading goes
  // without a word, and with nothing pending the plugin object ends, on the host's thread, and
  // the library goes, also after a lookup whose thread could not start, or that ended (its
  // thread lets go of the library as it leaves).
  const struct {
    std::string name;
    const char* unload;
    bool lookupCannotStart;
    bool lookupEnded = false;
  } rows[] = {
      {file.stem().string(), "plugin unload rankwatch", false},
      {file.filename().string(), "plugin unload rankwatch without-release", false},
      {file.stem().string() + ".dll", "plugin unload rankwatch keeping", false},
      {file.stem().string() + ".so", "plugin unload rankwatch holder-only without-release", false},
      {file.stem().string(), "plugin unload rankwatch holder-only", false},
      {file.stem().string(), "plugin unload rankwatch", true},
      {file.stem().string(), "plugin unload rankwatch", false, true},
  };
  harness.serveStats().setRating(11, 1000);
  for (const auto& row : rows) {
    harness.console("plugin load " + row.name);
    EXPECT_EQ(harness.host->plugins().names(), std::vector<std::string>{"rankwatch"}) << row.name;
    const std::weak_ptr<GameWrapper> object =
        harness.host->plugins().plugin("rankwatch")->gameWrapper;
    const void* library = harness.host->plugins().plugin("rankwatch")->code->module();
    if (row.lookupCannotStart) {
      testing_support::withoutNewThreads([&] {
        harness.console("rankwatch_enabled 1");
        harness.console("rankwatch_trackingmethod web");
      });
      harness.console("rankwatch_enabled 0");
      ASSERT_EQ(harness.host->web().requestsSent(), 0);
      harness.lines();  // the window's two toggles
    }
    if (row.lookupEnded) {
      harness.console("rankwatch_trackingmethod web");
      harness.console("rankwatch_enabled 1");
      harness.notify("76561198000000001");
      ASSERT_TRUE(testing_support::until([&] { return harness.host->web().requestsSent() == 1; }));
      ASSERT_TRUE(harness.host->http().waitIdle(std::chrono::seconds(10)));
      harness.wait(1);  // the rating handed to the game thread
      harness.lines();
    }
    harness.console(row.unload);
    EXPECT_TRUE(harness.host->plugins().names().empty()) << row.unload;
    EXPECT_TRUE(object.expired()) << row.unload;
    if (row.lookupEnded) testing_support::until([&] { return !host::moduleHolding(library); });
    EXPECT_EQ(host::moduleHolding(library), nullptr) << row.unload;
    EXPECT_EQ(harness.lines(), std::vector<std::string>{}) << row.name;
  }
}

TEST(Loader, AHostKeepsWhatAPluginLeftAndCallsItOnlyWhileItsLibraryIsThere) {
  using Unload = host::Unload;
  const std::vector<std::string> calledGone = {
      "error: forgetful: a hook of a closed library was called",
      "error: forgetful: a rating registration of a closed library was called",
      "error: forgetful: a posted callable of a closed library was called",
      "error: forgetful: a timer of a closed library was called",
      "error: forgetful: a reply of a closed library was called",
  };
  const struct {
    Unload how;
    std::vector<std::string> lines;  // after the unload
    int leftAlive;
    size_t releases;
    bool reload;  // loaded again before what was kept comes due: still the closed load's
  } rows[] = {
      {Unload::Whole, {}, 0, 1, false},
      {Unload::Keeping, calledGone, 5, 1, false},
      {static_cast<Unload>(unsigned(Unload::Keeping) | unsigned(Unload::WithoutRelease)),
       calledGone, 5, 0, false},
      {Unload::Keeping, calledGone, 5, 1, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<unsigned>(row.how));
    testing_support::Harness harness;
    harness.serveStats().setDelay(std::chrono::milliseconds(300));  // the reply comes late
    std::string error;
    ASSERT_TRUE(harness.host->plugins().load(FORGETFUL_PLUGIN_FILE, error)) << error;
    harness.output.setTracing(true);
    ASSERT_TRUE(harness.host->plugins().unload("forgetful", error, row.how)) << error;
    harness.output.setTracing(false);
    EXPECT_EQ(harness.traced("forgetful: release function").size(), row.releases);
    ASSERT_TRUE(!row.reload || harness.host->plugins().load(FORGETFUL_PLUGIN_FILE, error)) << error;
    // The host's own Execute is no closed library's, whatever it closed.
    bool hostsOwnRan = false;
    GameWrapper(nullptr).Execute([&](GameWrapper*) { hostsOwnRan = true; });
    harness.event("Function TAGame.GameEvent_TA.StartEvent");
    harness.notify("76561198000000001");
    harness.wait(2);
    ASSERT_TRUE(harness.host->http().waitIdle(std::chrono::seconds(10)));
    // A load serves what was posted while its onLoad runs: the kept callable may come first.
    std::vector<std::string> lines = harness.lines();
    std::vector<std::string> expected = row.lines;
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(hostsOwnRan);
    EXPECT_EQ(harness.host->calledClosedLibrary(), !row.lines.empty());
    harness.host->shutdown();
    const std::string note = "note: the host left " + std::to_string(row.leftAlive) +
                             " callables of closed libraries alive, never destroyed";
    EXPECT_EQ(harness.lines(),
              row.leftAlive ? std::vector<std::string>{note} : std::vector<std::string>{});
  }

  // A plugin made in this process keeps its code: what the host kept runs as it comes due.
  testing_support::Harness harness;
  LeavesThingsBehind& plugin = harness.load<LeavesThingsBehind>();
  const std::shared_ptr<int> called = plugin.called;
  const std::unique_ptr<MMRNotifierToken> token = std::move(plugin.token);
  std::string error;
  ASSERT_TRUE(harness.host->plugins().unload("rankwatch", error, Unload::Keeping)) << error;
  harness.event("Function TAGame.GameEvent_TA.StartEvent");
  harness.notify("76561198000000001");
  EXPECT_EQ(*called, 2);
  EXPECT_FALSE(harness.host->calledClosedLibrary());
  EXPECT_TRUE(harness.lines().empty());
}

// A host may keep a copy of what it is handed and let the original go: the plugin's copies must
// hold, so the stand-in makes one.
TEST(Loader, TheHostKeepsACopyOfEachCallableItIsHanded) {
  testing_support::Harness harness;
  auto object = std::make_shared<BakkesMod::Plugin::BakkesModPlugin>();
  harness.host->plugins().adopt("copied", object);
  GameWrapper& game = *object->gameWrapper;
  const auto copies = std::make_shared<int>(0);
  std::unique_ptr<MMRNotifierToken> token;
  const struct {
    const char* what;
    std::function<void()> hand;
  } rows[] = {
      {"hook", [&] { game.HookEvent("Function TAGame.GameEvent_TA.StartEvent", Counted(copies)); }},
      {"timer", [&] { game.SetTimeout(Counted(copies), 1.0f); }},
      {"posted callable", [&] { game.Execute(Counted(copies)); }},
      {"rating registration",
       [&] { token = game.GetMMRWrapper().RegisterMMRNotifier(Counted(copies)); }},
  };
  for (const auto& row : rows) {
    *copies = 0;
    row.hand();
    EXPECT_EQ(*copies, 1) << row.what;
  }
  token.reset();
}

TEST(Loader, AHundredUnloadsWithWorkPendingLeaveAWorkingPlugin) {
  testing_support::Harness harness;
  std::string error;
  harness.ratings.setPlaylist(11);
  harness.serveStats().setRating(11, 1000);
  harness.stats.setDelay(std::chrono::milliseconds(30));
  using Unload = host::Unload;
  const Unload ways[] = {
      Unload::Whole, Unload::WithoutRelease, Unload::Keeping,
      static_cast<Unload>(unsigned(Unload::Keeping) | unsigned(Unload::WithoutRelease))};
  for (int cycle = 0; cycle < 100; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    ASSERT_TRUE(harness.host->plugins().load(RANKWATCH_PLUGIN_FILE, error)) << error;
    harness.console("rankwatch_trackingmethod bakkesmod");
    harness.console("rankwatch_enabled 1");  // from the second cycle on, the window opens itself
    harness.wait(1);
    ASSERT_EQ(harness.host->gui().menus(true), std::vector<std::string>{"rankwatch"});
    harness.host->gui().frame();
    harness.ratings.unsync(11, std::nullopt);
    harness.event("Function TAGame.GameEvent_TA.StartEvent");  // a retry pending
    harness.event("Function TAGame.GameEvent_Soccar_TA.EventMatchEnded");
    harness.event("Function TAGame.GameEvent_Soccar_TA.Destroyed");
    ASSERT_TRUE(harness.host->game().nextDue());
    // Lookups on the web too, whose replies are held back: some are still on their way when
    // the plugin goes, others land while it goes.
    harness.console("rankwatch_trackingmethod web");
    harness.notify("76561198000000001");
    std::this_thread::sleep_for(std::chrono::milliseconds(cycle % 4 * 15));
    harness.host->gui().frame();
    const Unload how = ways[cycle / 4 % 4];
    // A host that keeps them gets ratings handed to the game thread, posted and not yet run.
    if (how >= Unload::Keeping) harness.host->http().waitIdle(std::chrono::seconds(10));
    ASSERT_TRUE(harness.host->plugins().unload("rankwatch", error, how)) << error;
    harness.calls();
    harness.wait(10);
    ASSERT_EQ(harness.calls(), 0);
    ASSERT_FALSE(harness.host->calledClosedLibrary());
  }
  ASSERT_TRUE(harness.host->http().waitIdle(std::chrono::seconds(10)));
  harness.wait(1);
  EXPECT_EQ(harness.calls(), 0) << "a reply reached an unloaded plugin";
  harness.lines();
  ASSERT_TRUE(harness.host->plugins().load(RANKWATCH_PLUGIN_FILE, error)) << error;
  harness.console("rankwatch_trackingmethod bakkesmod");
  harness.ratings.setRating(11, 1000);
  harness.event("Function TAGame.GameEvent_TA.StartEvent");
  harness.ratings.setRating(11, 1010);
  harness.event("Function TAGame.GameEvent_Soccar_TA.EventMatchEnded");
  harness.wait(1);
  EXPECT_EQ(harness.host->gui().frame(),
            (std::vector<std::string>{"MMR : +10.00", "Streak : +1", "Wins : 1", "Losses : 0"}));
}
