// What onLoad wires up, and the handlers it hands to the host.

#include <gtest/gtest.h>

#include "harness.h"
#include "lifeline.h"

using testing_support::Harness;

namespace {

// Records which handler the host reached, and with which event name.
struct Probe : rankwatch {
  std::vector<std::string> seen;
  void addWin() override { seen.push_back("addWin"); }
  void addLoss() override { seen.push_back("addLoss"); }
  void resetTally() override { seen.push_back("resetTally"); }
  void onMatchEnded(std::string name) override { seen.push_back("onMatchEnded " + name); }
  void onGameDestroyed(std::string name) override { seen.push_back("onGameDestroyed " + name); }
  void onGameStart(std::string name) override { seen.push_back("onGameStart " + name); }
  void onMmrNotification(UniqueIDWrapper id) override {
    seen.push_back("onMmrNotification " + hostsdk::idText(id));
  }
};

}  // namespace

TEST(OnLoad, FirstLoadHoldsTheDefaultsAndReadsNoRating) {
  Harness harness;
  rankwatch& plugin = harness.load();
  EXPECT_FALSE(*plugin.enabled);
  EXPECT_TRUE(*plugin.singleQueue);
  EXPECT_TRUE(*plugin.autoResize);
  EXPECT_FALSE(*plugin.roundMmr);
  EXPECT_EQ(*plugin.trackingMethod, "bakkesmod");
  EXPECT_EQ(*plugin.scale, 1.0f);
  EXPECT_EQ(*plugin.opacity, 0.8f);
  EXPECT_EQ(*plugin.trackedPlaylist, 0);
  EXPECT_EQ(*plugin.currentMmr, 0.0f);
  EXPECT_EQ(*plugin.wins + *plugin.losses + *plugin.streak, 0);
  EXPECT_EQ(*plugin.mmrChange, 0.0f);
  EXPECT_TRUE(plugin.mmrNotifierToken);
  EXPECT_FALSE(harness.host->game().nextDue()) << "no timer when not enabled";
  harness.wait(5);
  EXPECT_TRUE(harness.lines().empty());
}

TEST(OnLoad, BoundSettingsFollowTheConsole) {
  Harness harness;
  rankwatch& plugin = harness.load();
  harness.console("rankwatch_singlequeue 0");
  harness.console("rankwatch_round true");
  harness.console("rankwatch_scale 2.5");
  harness.console("rankwatch_opacity 7");  // kept within 0..1
  EXPECT_FALSE(*plugin.singleQueue);
  EXPECT_TRUE(*plugin.roundMmr);
  EXPECT_EQ(*plugin.scale, 2.5f);
  EXPECT_EQ(*plugin.opacity, 1.0f);
}

TEST(OnLoad, EverySettingKeepsItsRangeAndComesBackAfterARestart) {
  const struct {
    const char* name;
    const char* low;  // a value below the range, and what the variable keeps of it
    const char* lowKept;
    const char* high;
    const char* highKept;
    const char* saved;  // a value in range, kept as typed through a restart
  } settings[] = {
      {"rankwatch_enabled", "-1", "0", "2", "1", "1"},
      {"rankwatch_singlequeue", "-1", "0", "2", "1", "0"},
      {"rankwatch_autoresize", "-1", "0", "2", "1", "0"},
      {"rankwatch_round", "-1", "0", "2", "1", "1"},
      {"rankwatch_trackingmethod", "-1", "-1", "2", "2", "web"},  // free text
      {"rankwatch_scale", "0.5", "1", "9", "3", "2.50"},
      {"rankwatch_opacity", "-1", "0", "2", "1", "0.25"},
  };
  Harness harness;
  harness.load();
  auto value = [&](const char* name) {
    const host::Variable* variable = harness.host->console().find(name);
    return variable ? variable->value : std::string("(none)");
  };
  for (const auto& s : settings) {
    harness.console(std::string(s.name) + " " + s.low);
    EXPECT_EQ(value(s.name), s.lowKept) << s.name;
    harness.console(std::string(s.name) + " " + s.high);
    EXPECT_EQ(value(s.name), s.highKept) << s.name;
    harness.console(std::string(s.name) + " " + s.saved);
  }
  // Unloads and saves, then a fresh host reads the folder and the plugin registers again.
  harness.host.reset();
  harness.host = std::make_unique<host::Host>(harness.output, harness.clock, harness.ratings,
                                              harness.folder.path());
  harness.load();
  for (const auto& s : settings) EXPECT_EQ(value(s.name), s.saved) << s.name;
}

TEST(OnLoad, HooksCommandsAndNotificationsReachTheirHandlersThroughTheObject) {
  Harness harness;
  Probe& probe = harness.load<Probe>();
  harness.event("Function TAGame.GameEvent_Soccar_TA.EventMatchEnded");
  harness.event("Function GameEvent_Soccar_TA.Active.StartRound");
  harness.event("Function TAGame.GameEvent_Soccar_TA.Destroyed");
  harness.event("Function TAGame.GameEvent_TA.StartEvent");
  harness.event("Function TAGame.GameEvent_Soccar_TA.SomethingElse");
  harness.console("rankwatch_addwin extra words");
  harness.console("rankwatch_addloss");
  harness.console("rankwatch_reset now");
  harness.notify("someone");
  EXPECT_EQ(probe.seen, (std::vector<std::string>{
                            "onMatchEnded Function TAGame.GameEvent_Soccar_TA.EventMatchEnded",
                            "onGameStart Function GameEvent_Soccar_TA.Active.StartRound",
                            "onGameDestroyed Function TAGame.GameEvent_Soccar_TA.Destroyed",
                            "onGameStart Function TAGame.GameEvent_TA.StartEvent",
                            "addWin",
                            "addLoss",
                            "resetTally",
                            "onMmrNotification someone",
                        }));
}

TEST(EnabledSetting, AsksForTheWindowOnlyWhenItDisagreesWithIt) {
  Harness harness;
  rankwatch& plugin = harness.load();
  // Each step: a console line, then what the plugin holds and what it asked for.
  const struct {
    const char* line;
    bool enabled;
    bool windowOpen;
    std::vector<std::string> asked;
  } steps[] = {
      {"rankwatch_enabled 1", true, true, {"command: togglemenu rankwatch"}},  // on, closed
      {"rankwatch_enabled 0.5", true, true, {}},  // on while open: nothing to ask
      {"rankwatch_enabled 0", false, false, {"command: togglemenu rankwatch"}},
      {"rankwatch_enabled TRUE", true, true, {"command: togglemenu rankwatch"}},
      {"closemenu rankwatch", true, false, {}},
      {"rankwatch_enabled True", true, true, {"command: togglemenu rankwatch"}},
      {"rankwatch_enabled 0", false, false, {"command: togglemenu rankwatch"}},
      {"rankwatch_enabled false", false, false, {}},  // a new text that agrees with the window
  };
  for (const auto& step : steps) {
    harness.console(step.line);
    EXPECT_EQ(*plugin.enabled, step.enabled) << step.line;
    EXPECT_EQ(plugin.windowOpen, step.windowOpen) << step.line;
    EXPECT_EQ(harness.lines(), step.asked) << step.line;
  }
}

TEST(EnabledSetting, ALoadWithItSavedOnOpensTheWindowOneSecondLater) {
  Harness harness;
  harness.load();
  harness.console("rankwatch_enabled 1");
  harness.console("closemenu rankwatch");
  std::string error;
  ASSERT_TRUE(harness.host->unload("rankwatch", error));
  rankwatch& plugin = harness.load();
  harness.lines();
  harness.wait(0.999);
  EXPECT_TRUE(harness.lines().empty());
  harness.wait(0.001);
  EXPECT_EQ(harness.lines(), std::vector<std::string>{"command: openmenu rankwatch"});
  EXPECT_TRUE(plugin.windowOpen);
  harness.wait(10);
  EXPECT_TRUE(harness.lines().empty());
}

TEST(TrackingMethodSetting, ResetsTheTallyOncePerChange) {
  Harness harness;
  Probe& probe = harness.load<Probe>();
  harness.console("rankwatch_trackingmethod web");
  harness.console("rankwatch_trackingmethod web");  // the same text: no change
  harness.console("rankwatch_trackingmethod bakkesmod");
  harness.console("rankwatch_trackingmethod \"Bakkesmod \"");
  EXPECT_EQ(probe.seen, std::vector<std::string>(3, "resetTally"));
  EXPECT_EQ(*probe.trackingMethod, "Bakkesmod ");
}

namespace {

// A host that tells a value-changed handler the current value while attaching it; the plugin
// must have the handler's cell ready by then.
class EagerBackend : public hostsdk::Backend {
 public:
  explicit EagerBackend(host::Host& inner) : inner_(inner) {}
  void noteCall(const std::function<std::string()>& d) override { inner_.noteCall(d); }
  hostsdk::Variable* registerCvar(host::PluginSlot* o, const hostsdk::CvarDeclaration& s) override {
    return inner_.registerCvar(o, s);
  }
  hostsdk::Variable* findCvar(const std::string& n) override { return inner_.findCvar(n); }
  std::string cvarName(const hostsdk::Variable* v) override { return inner_.cvarName(v); }
  std::string cvarValue(const hostsdk::Variable* v) override { return inner_.cvarValue(v); }
  void setCvar(hostsdk::Variable* v, const std::string& s) override { inner_.setCvar(v, s); }
  void bindCvar(host::PluginSlot* o, hostsdk::Variable* v, hostsdk::Cell c) override {
    inner_.bindCvar(o, v, std::move(c));
  }
  void addCvarListener(host::PluginSlot* o, hostsdk::Variable* v,
                       hostsdk::ChangeCallback c) override {
    c(inner_.cvarValue(v), CVarWrapper(o, v));
    ++eagerCalls;
    inner_.addCvarListener(o, v, std::move(c));
  }
  void registerCommand(host::PluginSlot* o, const std::string& n, hostsdk::CommandCallback c,
                       const std::string& d, unsigned char p) override {
    inner_.registerCommand(o, n, std::move(c), d, p);
  }
  void executeCommand(host::PluginSlot* o, const std::string& l, bool g) override {
    inner_.executeCommand(o, l, g);
  }
  void hookEvent(host::PluginSlot* o, const std::string& n, hostsdk::HookCallback c) override {
    inner_.hookEvent(o, n, std::move(c));
  }
  void unhookEvent(host::PluginSlot* o, const std::string& n) override { inner_.unhookEvent(o, n); }
  void setTimeout(host::PluginSlot* o, hostsdk::GameCallback c, float s) override {
    inner_.setTimeout(o, std::move(c), s);
  }
  void execute(host::PluginSlot* o, hostsdk::GameCallback c) override {
    inner_.execute(o, std::move(c));
  }
  UniqueIDWrapper localPlayer() override { return inner_.localPlayer(); }
  std::uint64_t addRatingListener(host::PluginSlot* o, hostsdk::RatingCallback c) override {
    return inner_.addRatingListener(o, std::move(c));
  }
  void removeRatingListener(std::uint64_t r) override { inner_.removeRatingListener(r); }
  int currentPlaylist() override { return inner_.currentPlaylist(); }
  bool isSyncing(const UniqueIDWrapper& i) override { return inner_.isSyncing(i); }
  bool isSynced(const UniqueIDWrapper& i, int p) override { return inner_.isSynced(i, p); }
  float playerRating(const UniqueIDWrapper& i, int p) override { return inner_.playerRating(i, p); }
  void sendJsonRequest(const void* a, CurlRequest r, hostsdk::ReplyCallback c) override {
    inner_.sendJsonRequest(a, std::move(r), std::move(c));
  }

  int eagerCalls = 0;

 private:
  host::Host& inner_;
};

}  // namespace

TEST(OnLoad, HandlersFindTheirCellsEvenWhenCalledWhileBeingAttached) {
  Harness harness;
  EagerBackend eager(*harness.host);
  hostsdk::installBackend(&eager);
  rankwatch& plugin = harness.load();
  hostsdk::installBackend(harness.host.get());
  EXPECT_EQ(eager.eagerCalls, 2);
  EXPECT_FALSE(*plugin.enabled);
  EXPECT_EQ(*plugin.trackingMethod, "bakkesmod");
}

TEST(OnUnload, EndsTheHooksAndTheRatingRegistrationThroughTheHost) {
  Harness harness;
  harness.output.setTracing(true);
  Probe& probe = harness.load<Probe>();
  harness.lines();
  probe.onUnload();
  std::vector<std::string> calls;
  for (const std::string& call : harness.traced(""))
    calls.push_back(call.substr(call.find(' ') + 1));
  EXPECT_EQ(calls,
            (std::vector<std::string>{
                "GameWrapper::UnhookEvent(\"Function TAGame.GameEvent_Soccar_TA.EventMatchEnded\")",
                "GameWrapper::UnhookEvent(\"Function GameEvent_Soccar_TA.Active.StartRound\")",
                "GameWrapper::UnhookEvent(\"Function TAGame.GameEvent_Soccar_TA.Destroyed\")",
                "GameWrapper::UnhookEvent(\"Function TAGame.GameEvent_TA.StartEvent\")",
                "MMRNotifierToken::~MMRNotifierToken()",
            }));
  EXPECT_FALSE(probe.mmrNotifierToken);
  EXPECT_EQ(harness.ratings.listenerCount(), 0u);
  for (const char* event : testing_support::kHookedEvents) {
    EXPECT_EQ(harness.host->game().fire(event), 0) << event;
  }
  EXPECT_TRUE(probe.seen.empty());
}

TEST(Lifeline, CallbacksTheHostKeepsDoNothingOnceThePluginIsUnloadedOrGone) {
  for (bool destroyed : {false, true}) {
    SCOPED_TRACE(destroyed ? "the object destroyed" : "onUnload, the object kept");
    Harness harness;
    harness.load();
    harness.console("rankwatch_enabled 1");
    std::string error;
    ASSERT_TRUE(harness.host->unload("rankwatch", error));
    std::weak_ptr<BakkesMod::Plugin::BakkesModPlugin> watch;
    {
      // Loaded enabled: the window's opening is pending too.
      rankwatch& plugin = harness.load();
      harness.ratings.setPlaylist(11);
      harness.ratings.unsync(11, std::nullopt);
      harness.event("Function TAGame.GameEvent_TA.StartEvent");              // a retry pending
      harness.event("Function TAGame.GameEvent_Soccar_TA.Destroyed");        // a timer pending
      harness.event("Function TAGame.GameEvent_Soccar_TA.EventMatchEnded");  // and another
      EXPECT_EQ(*plugin.trackedPlaylist, 11);
      EXPECT_FALSE(plugin.windowOpen);
      watch = harness.slot->owner;
      if (!destroyed) plugin.onUnload();
    }
    // The host keeps every callback it still has.
    if (destroyed) harness.slot->owner.reset();
    ASSERT_EQ(watch.expired(), destroyed);
    harness.lines();
    harness.calls();

    harness.wait(10);
    for (const char* event : testing_support::kHookedEvents) {
      harness.event(event);
    }
    harness.notify("76561198000000001");
    for (const char* line : {"rankwatch_addwin", "rankwatch_addloss", "rankwatch_reset",
                             "rankwatch_enabled 0", "rankwatch_trackingmethod web"}) {
      harness.console(line);
    }
    harness.wait(10);
    EXPECT_EQ(harness.calls(), 0);
    EXPECT_TRUE(harness.lines().empty());
  }
  EXPECT_FALSE(rankwatch().line()) << "an object that never had a line";
}
