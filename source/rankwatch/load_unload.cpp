// onLoad wires the plugin to the host: shared values, the seven settings, the three commands,
// the window's first opening, the rating notification and the four game hooks. The two
// settings that are followed by handlers get their cells before their handlers are attached,
// so a handler that runs during attachment finds a cell to write. onUnload undoes what the host
// lets a plugin undo.

#include <vector>

#include "library.h"
#include "lifeline.h"
#include "names.h"
#include "rankwatch.h"
#include "workers.h"

namespace {

struct HookedEvent {
  const char* name;
  void (rankwatch::*handler)(std::string);
};

// In the order they are hooked.
constexpr HookedEvent kHookedEvents[] = {
    {"Function TAGame.GameEvent_Soccar_TA.EventMatchEnded", &rankwatch::onMatchEnded},
    {"Function GameEvent_Soccar_TA.Active.StartRound", &rankwatch::onGameStart},
    {"Function TAGame.GameEvent_Soccar_TA.Destroyed", &rankwatch::onGameDestroyed},
    {"Function TAGame.GameEvent_TA.StartEvent", &rankwatch::onGameStart},
};

}  // namespace

void rankwatch::onLoad() {
  // Every callback below follows a new line, which onUnload cuts; one of an earlier load goes.
  if (std::shared_ptr<lifeline::Line> earlier = line()) earlier->cut();
  std::atomic_store(&line_, std::make_shared<lifeline::Line>(this, gameWrapper));

  // First the tally and the tracked playlist, which nothing below reads.
  wins = std::make_shared<int>(0);
  losses = std::make_shared<int>(0);
  streak = std::make_shared<int>(0);
  mmrChange = std::make_shared<float>(0.0f);
  trackedPlaylist = std::make_shared<int>(0);
  currentMmr = std::make_shared<float>(0.0f);

  // Enabled: followed by its handler from now on, and read once here.
  enabled = std::make_shared<bool>(false);
  cvarManager
      ->registerCvar("rankwatch_enabled", "0", "Rankwatch : Enable plugin", true, true, 0.0f, true,
                     1.0f, true)
      .addOnValueChanged(lifeline::guard(line_, [](rankwatch* self, std::string, CVarWrapper cvar) {
        self->enabledChangedHandler(cvar);
      }));
  *enabled = cvarManager->getCvar("rankwatch_enabled").getBoolValue();
  shownEnabled_ = *enabled;

  // The bound settings: the host writes their values into the cells.
  const auto bound = [this](auto& cell, auto initial, const char* name, const char* value,
                            const char* description, float least, float most) {
    cell = std::make_shared<decltype(initial)>(initial);
    cvarManager->registerCvar(name, value, description, true, true, least, true, most, true)
        .bindTo(cell);
  };
  bound(singleQueue, false, "rankwatch_singlequeue", "1", "Rankwatch : Single queue", 0.0f, 1.0f);
  bound(autoResize, false, "rankwatch_autoresize", "1", "Rankwatch : Auto-resize", 0.0f, 1.0f);
  bound(roundMmr, false, "rankwatch_round", "0", "Rankwatch : Round MMR", 0.0f, 1.0f);

  // Tracking method: free text, followed by its handler from now on, and read once here.
  trackingMethod = std::make_shared<std::string>();
  cvarManager
      ->registerCvar("rankwatch_trackingmethod", "bakkesmod", "Rankwatch : Tracking Method", true,
                     false, 0.0f, false, 0.0f, true)
      .addOnValueChanged(lifeline::guard(line_, [](rankwatch* self, std::string, CVarWrapper cvar) {
        self->trackingMethodChangedHandler(cvar);
      }));
  *trackingMethod = cvarManager->getCvar("rankwatch_trackingmethod").getStringValue();
  shownWeb_ = *trackingMethod != names::kHostService;

  bound(scale, 1.0f, "rankwatch_scale", "1", "Rankwatch : Scale", 1.0f, 3.0f);
  bound(opacity, 0.8f, "rankwatch_opacity", "0.8", "Rankwatch : Opacity", 0.0f, 1.0f);

  // The three commands; their words are not used.
  cvarManager->registerNotifier(
      "rankwatch_addwin",
      lifeline::guard(line_, [](rankwatch* self, std::vector<std::string>) { self->addWin(); }),
      "Rankwatch : Add win", sdk::kAnyone);
  cvarManager->registerNotifier(
      "rankwatch_addloss",
      lifeline::guard(line_, [](rankwatch* self, std::vector<std::string>) { self->addLoss(); }),
      "Rankwatch : Add loss", sdk::kAnyone);
  cvarManager->registerNotifier(
      "rankwatch_reset",
      lifeline::guard(line_, [](rankwatch* self, std::vector<std::string>) { self->resetTally(); }),
      "Rankwatch : Reset", sdk::kAnyone);

  // An enabled plugin opens its window a second after loading.
  if (*enabled && !windowOpen) {
    gameWrapper->SetTimeout(
        lifeline::held(line_,
                       [](rankwatch* self, GameWrapper*) { self->issueMenuCommand("openmenu "); }),
        1.0f);
  }

  // Rating notifications, for as long as the token lives.
  mmrNotifierToken = gameWrapper->GetMMRWrapper().RegisterMMRNotifier(lifeline::held(
      line_, [](rankwatch* self, UniqueIDWrapper id) { self->onMmrNotification(std::move(id)); }));

  // Last, the game events, each handler called through the object's virtual interface.
  for (const HookedEvent& event : kHookedEvents) {
    gameWrapper->HookEvent(
        event.name,
        lifeline::held(line_, [handler = event.handler](rankwatch* self, std::string name) {
          (self->*handler)(std::move(name));
        }));
  }
}

void rankwatch::onUnload() {
  // What a plugin can undo, it undoes, so that a host that keeps hooks and registrations after
  // the unload has nothing of the library left to call.
  if (gameWrapper) {
    for (const HookedEvent& event : kHookedEvents) gameWrapper->UnhookEvent(event.name);
  }
  mmrNotifierToken.reset();
  // The host clears the plugin's settings and commands itself, and nothing cancels a timer, a
  // posted callable or a request: with the line cut, whatever of those the host still calls
  // does nothing, and while any is left the library stays loaded for good.
  if (std::shared_ptr<lifeline::Line> line = this->line()) line->cut();
  workers::letGo();
  // Last: the object may end when the host lets go of it next.
  leaveToHost();
  library::handOverToLoader();
}

void rankwatch::enabledChangedHandler(CVarWrapper cvar) {
  *enabled = cvar.getBoolValue();
  shownEnabled_ = *enabled;
  if (*enabled != windowOpen) issueMenuCommand("togglemenu ");
}

void rankwatch::trackingMethodChangedHandler(CVarWrapper cvar) {
  *trackingMethod = cvar.getStringValue();
  shownWeb_ = *trackingMethod != names::kHostService;
  resetTally();
}

void rankwatch::issueMenuCommand(const char* word) {
  cvarManager->executeCommand(word + getMenuName(), true);
}
