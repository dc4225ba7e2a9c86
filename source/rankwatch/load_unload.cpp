// onLoad wires the plugin to the host: shared values, the seven settings, the three commands,
// the window's first opening, the rating notification and the four game hooks; onUnload undoes
// what the host lets a plugin undo. Either may run on a thread of the host's own: nothing of
// the object is written after the line opens, and what a callback turned away meanwhile would
// have done is caught up with on the game thread.

#include <charconv>
#include <optional>
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

constexpr char kEnabled[] = "rankwatch_enabled";
constexpr char kTrackingMethod[] = "rankwatch_trackingmethod";

// A number setting's text, read as the host's console reads one; none if it is not a number,
// which the host does not let a setting with a range hold.
std::optional<float> readNumber(const std::string& text) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (begin != end && (*begin == ' ' || *begin == '\t')) ++begin;
  while (end != begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
  if (begin != end && *begin == '+') ++begin;
  float value = 0.0f;
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// What the window and the page show of a setting, read through the host: off the game thread
// the plugin must not read the cell the host writes.
std::optional<bool> shownValue(CVarWrapper& cvar, bool) {
  return cvar.getBoolValue();
}

std::optional<float> shownValue(CVarWrapper& cvar, float) {
  return readNumber(cvar.getStringValue());
}

}  // namespace

void rankwatch::onLoad() {
  // Whatever this object did before (a host may hand out the object of an earlier load it never
  // let go of), a load starts as a fresh object would. The earlier load's callbacks go first.
  if (std::shared_ptr<lifeline::Line> earlier = line()) earlier->cut();
  windowOpen = false;
  closeAsked_ = false;
  const auto line = std::make_shared<lifeline::Line>(this, gameWrapper);
  std::atomic_store(&line_, line);
  shown_.change([](Shown& shown) { shown = Shown{false, shown.load + 1}; });

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
      ->registerCvar(kEnabled, "0", "Rankwatch : Enable plugin", true, true, 0.0f, true, 1.0f, true)
      .addOnValueChanged(lifeline::guard(line, [](rankwatch* self, std::string, CVarWrapper cvar) {
        self->enabledChangedHandler(cvar.getBoolValue());
      }));
  *enabled = cvarManager->getCvar(kEnabled).getBoolValue();

  // The bound settings: the host writes their values into the cells; the window is told of
  // each change by a handler, and of the value now here.
  Shown settings;
  const auto bound = [&](auto& cell, auto initial, const char* name, const char* value,
                         const char* description, float least, float most, auto Shown::*field) {
    cell = std::make_shared<decltype(initial)>(initial);
    CVarWrapper cvar =
        cvarManager->registerCvar(name, value, description, true, true, least, true, most, true);
    cvar.bindTo(cell);
    cvar.addOnValueChanged(
        lifeline::guard(line, [field](rankwatch* self, std::string, CVarWrapper cvar) {
          if (const auto value = shownValue(cvar, decltype(initial){})) {
            self->shown_.change([&](Shown& shown) { shown.*field = *value; });
          }
        }));
    if (const auto value = shownValue(cvar, initial)) settings.*field = *value;
  };
  bound(singleQueue, false, "rankwatch_singlequeue", "1", "Rankwatch : Single queue", 0.0f, 1.0f,
        &Shown::singleQueue);
  bound(autoResize, false, "rankwatch_autoresize", "1", "Rankwatch : Auto-resize", 0.0f, 1.0f,
        &Shown::autoResize);
  bound(roundMmr, false, "rankwatch_round", "0", "Rankwatch : Round MMR", 0.0f, 1.0f,
        &Shown::roundMmr);

  // Tracking method: free text, followed by its handler from now on, and read once here.
  trackingMethod = std::make_shared<std::string>();
  cvarManager
      ->registerCvar(kTrackingMethod, "bakkesmod", "Rankwatch : Tracking Method", true, false, 0.0f,
                     false, 0.0f, true)
      .addOnValueChanged(lifeline::guard(line, [](rankwatch* self, std::string, CVarWrapper cvar) {
        self->trackingMethodChangedHandler(cvar.getStringValue());
      }));
  *trackingMethod = cvarManager->getCvar(kTrackingMethod).getStringValue();

  bound(scale, 1.0f, "rankwatch_scale", "1", "Rankwatch : Scale", 1.0f, 3.0f, &Shown::scale);
  bound(opacity, 0.8f, "rankwatch_opacity", "0.8", "Rankwatch : Opacity", 0.0f, 1.0f,
        &Shown::opacity);

  // The three commands; their words are not used.
  cvarManager->registerNotifier(
      "rankwatch_addwin",
      lifeline::guard(line, [](rankwatch* self, std::vector<std::string>) { self->addWin(); }),
      "Rankwatch : Add win", sdk::kAnyone);
  cvarManager->registerNotifier(
      "rankwatch_addloss",
      lifeline::guard(line, [](rankwatch* self, std::vector<std::string>) { self->addLoss(); }),
      "Rankwatch : Add loss", sdk::kAnyone);
  cvarManager->registerNotifier(
      "rankwatch_reset",
      lifeline::guard(line, [](rankwatch* self, std::vector<std::string>) { self->resetTally(); }),
      "Rankwatch : Reset", sdk::kAnyone);

  // An enabled plugin opens its window a second after loading. The opening reads nothing that
  // onLoad writes, so it is not turned away while onLoad is still under way.
  if (*enabled && !windowOpen) {
    gameWrapper->SetTimeout(
        [hold = lifeline::Hold(line)](GameWrapper*) {
          lifeline::Line& line = *hold.line();
          if (auto inside = line.enter(lifeline::Line::kEvenWhileLoading)) {
            line.object()->issueMenuCommand("openmenu ");
          }
        },
        1.0f);
  }

  // Rating notifications, for as long as the token lives.
  mmrNotifierToken = gameWrapper->GetMMRWrapper().RegisterMMRNotifier(lifeline::held(
      line, [](rankwatch* self, UniqueIDWrapper id) { self->onMmrNotification(std::move(id)); }));

  // Last, the game events, each handler called through the object's virtual interface.
  for (const HookedEvent& event : kHookedEvents) {
    gameWrapper->HookEvent(event.name, lifeline::held(line, [handler = event.handler](
                                                                rankwatch* self, std::string name) {
                             (self->*handler)(std::move(name));
                           }));
  }

  settings.enabled = *enabled;
  settings.web = *trackingMethod != names::kHostService;
  shown_.change([&](Shown& shown) {
    settings.load = shown.load;
    settings.ready = true;
    shown = settings;
  });
  // From here on callbacks may run on the game thread: nothing of the object is written here.
  if (line->opened()) {
    line->execute(lifeline::held(line, [](rankwatch* self, GameWrapper*) { self->catchUp(); }));
  }
}

void rankwatch::catchUp() {
  const bool on = cvarManager->getCvar(kEnabled).getBoolValue();
  if (on != *enabled) enabledChangedHandler(on);
  std::string method = cvarManager->getCvar(kTrackingMethod).getStringValue();
  if (method != *trackingMethod) trackingMethodChangedHandler(std::move(method));
  publish();
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

void rankwatch::enabledChangedHandler(bool on) {
  *enabled = on;
  shown_.change([on](Shown& shown) { shown.enabled = on; });
  if (*enabled != windowOpen) issueMenuCommand("togglemenu ");
}

void rankwatch::trackingMethodChangedHandler(std::string method) {
  *trackingMethod = std::move(method);
  const bool web = *trackingMethod != names::kHostService;
  shown_.change([web](Shown& shown) { shown.web = web; });
  resetTally();
}

void rankwatch::publish() {
  {
    std::lock_guard<std::recursive_mutex> lock(tallyMutex_);
    publishTally();
  }
  // On the game thread the cells hold the host's latest values.
  shown_.change([this](Shown& shown) {
    shown.enabled = *enabled;
    shown.singleQueue = *singleQueue;
    shown.autoResize = *autoResize;
    shown.roundMmr = *roundMmr;
    shown.web = *trackingMethod != names::kHostService;
    shown.scale = *scale;
    shown.opacity = *opacity;
  });
}

void rankwatch::issueMenuCommand(const char* word) {
  cvarManager->executeCommand(word + getMenuName(), true);
}
