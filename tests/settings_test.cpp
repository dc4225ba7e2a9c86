// What onLoad wires up, and the handlers it hands to the host.

#include <gtest/gtest.h>

#include <functional>

#include "forwarding_backend.h"
#include "harness.h"

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

namespace {

// A host that tells a value-changed handler the current value while attaching it, and where a
// setting may change while the last one is attached, as a user's line typed while onLoad runs
// on a thread of its own. Either way the load is not over: the plugin turns the handler away,
// and catches up once it is.
class EagerBackend : public testing_support::ForwardingBackend {
 public:
  EagerBackend(hostsdk::Backend& inner, std::function<void()> meanwhile)
      : ForwardingBackend(inner), meanwhile_(std::move(meanwhile)) {}
  void addCvarListener(hostsdk::PluginSlot* o, hostsdk::Variable* v,
                       hostsdk::ChangeCallback c) override {
    c(inner_.cvarValue(o, v), CVarWrapper(o, v));
    inner_.addCvarListener(o, v, std::move(c));
    if (++eagerCalls == 7 && meanwhile_) meanwhile_();
  }

  int eagerCalls = 0;

 private:
  std::function<void()> meanwhile_;
};

}  // namespace

TEST(OnLoad, WhatCameWhileItWasUnderWayIsCaughtUpWith) {
  const struct {
    const char* meanwhile;
    bool enabled;
    const char* method;
    std::vector<std::string> asked;
  } rows[] = {
      {nullptr, false, "bakkesmod", {}},
      {"rankwatch_enabled 1", true, "bakkesmod", {"command: togglemenu rankwatch"}},
      {"rankwatch_trackingmethod web", false, "web", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.meanwhile ? row.meanwhile : "nothing");
    Harness harness;
    EagerBackend eager(*harness.host, [&] {
      if (row.meanwhile) harness.console(row.meanwhile);
    });
    hostsdk::installBackend(&eager);
    rankwatch& plugin = harness.load();
    hostsdk::installBackend(harness.host.get());
    EXPECT_EQ(eager.eagerCalls, 7);
    harness.wait(0);  // the game thread's next turn
    EXPECT_EQ(*plugin.enabled, row.enabled);
    EXPECT_EQ(*plugin.trackingMethod, row.method);
    EXPECT_EQ(harness.lines(), row.asked);
  }
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
