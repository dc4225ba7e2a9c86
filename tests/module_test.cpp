// The library's exports and the one plugin object's lifetime, through the exported functions,
// and what the host still holds of it once it is unloaded or gone.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "forwarding_backend.h"
#include "harness.h"
#include "hostsdk/plugin.h"
#include "lifeline.h"
#include "rankwatch.h"

extern "C" std::uintptr_t getPlugin();
extern "C" void deleteMe();

namespace {

using Holder = std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>;

Holder& holderAt(std::uintptr_t address) {
  return *reinterpret_cast<Holder*>(address);
}

void expectFresh(BakkesMod::Plugin::BakkesModPlugin* object) {
  auto* plugin = static_cast<rankwatch*>(object);
  EXPECT_EQ(plugin->menuTitle, "Rankwatch");
  EXPECT_FALSE(plugin->windowOpen);
  EXPECT_FALSE(plugin->enabled || plugin->singleQueue || plugin->roundMmr || plugin->scale ||
               plugin->opacity || plugin->trackingMethod || plugin->autoResize ||
               plugin->mmrNotifierToken || plugin->trackedPlaylist || plugin->currentMmr ||
               plugin->wins || plugin->losses || plugin->streak || plugin->mmrChange);
  EXPECT_FALSE(plugin->cvarManager || plugin->gameWrapper);
}

}  // namespace

TEST(Module, GetPluginHandsOutOneObjectUntilDeleteMe) {
  const std::uintptr_t first = getPlugin();
  BakkesMod::Plugin::BakkesModPlugin* object = holderAt(first).get();
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(getPlugin(), first);
  EXPECT_EQ(holderAt(first).get(), object);
  EXPECT_EQ(holderAt(first).use_count(), 1);
  expectFresh(object);

  deleteMe();
  EXPECT_EQ(holderAt(first), nullptr);
  deleteMe();  // harmless on an empty holder
  EXPECT_EQ(holderAt(first), nullptr);

  // A new object in its first state, whatever happened to the old one.
  EXPECT_EQ(getPlugin(), first);
  ASSERT_NE(holderAt(first), nullptr);
  expectFresh(holderAt(first).get());
  deleteMe();
}

TEST(Module, AnOwnerTheHostHoldsOutlivesDeleteMeAndTheObjectEndsOnce) {
  testing_support::Harness harness;
  const std::uintptr_t address = getPlugin();
  harness.slot = harness.host->plugins().adopt("rankwatch", holderAt(address));
  std::weak_ptr<BakkesMod::Plugin::BakkesModPlugin> watch = harness.slot->owner;
  ASSERT_EQ(harness.ratings.listenerCount(), 1u);

  deleteMe();
  EXPECT_EQ(holderAt(address), nullptr);
  EXPECT_FALSE(watch.expired());
  EXPECT_EQ(harness.ratings.listenerCount(), 1u);

  // The destructor ends the rating-change registration, once.
  harness.slot->owner.reset();
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(harness.ratings.listenerCount(), 0u);
}

TEST(Module, OnUnloadLeavesTheObjectToTheHostWhenTheHostHoldsAnOwnerOfItsOwn) {
  // The host holds an owner: the object ends when the host lets go of it, the release or not,
  // and a factory call on the library made afterwards makes a fresh object.
  {
    testing_support::Harness harness;
    const std::uintptr_t address = getPlugin();
    harness.slot = harness.host->plugins().adopt("rankwatch", holderAt(address));
    std::weak_ptr<BakkesMod::Plugin::BakkesModPlugin> watch = harness.slot->owner;
    std::string error;
    ASSERT_TRUE(harness.host->plugins().unload("rankwatch", error, host::Unload::WithoutRelease));
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(holderAt(address), nullptr);
    EXPECT_EQ(getPlugin(), address);
    EXPECT_NE(holderAt(address).get(), nullptr);
    EXPECT_TRUE(harness.lines().empty());
    deleteMe();
  }
  // The host reaches the object through the holder alone: the holder keeps it for the release.
  const std::uintptr_t address = getPlugin();
  std::weak_ptr<BakkesMod::Plugin::BakkesModPlugin> watch = holderAt(address);
  holderAt(address)->onUnload();
  EXPECT_FALSE(watch.expired());
  deleteMe();
  EXPECT_TRUE(watch.expired());
}

TEST(Module, TheBasePartLetsItsHostHandlesGoInItsOrder) {
  using Base = BakkesMod::Plugin::BakkesModPlugin;
  std::vector<std::string> released;
  // Base parts whose handles, tagged, note their release.
  auto filled = [&](const std::string& tag) {
    Base base;
    base.cvarManager = std::shared_ptr<CVarManagerWrapper>(
        new CVarManagerWrapper(nullptr), [&released, tag](CVarManagerWrapper* handle) {
          released.push_back(tag + " cvarManager");
          delete handle;
        });
    base.gameWrapper = std::shared_ptr<GameWrapper>(new GameWrapper(nullptr),
                                                    [&released, tag](GameWrapper* handle) {
                                                      released.push_back(tag + " gameWrapper");
                                                      delete handle;
                                                    });
    return base;
  };
  const struct {
    const char* what;
    std::function<void(std::optional<Base>& target, Base& source)> act;
    std::vector<std::string> released;
    bool sourceKeepsItsHandles;
  } rows[] = {
      {"destroyed",
       [](std::optional<Base>& target, Base&) { target.reset(); },
       {"old gameWrapper", "old cvarManager"},
       true},
      {"copied into its place",
       [](std::optional<Base>& target, Base& source) { target.emplace(source); },
       {"old gameWrapper", "old cvarManager"},
       true},
      {"copied over",
       [](std::optional<Base>& target, Base& source) { *target = source; },
       {"old cvarManager", "old gameWrapper"},
       true},
      {"moved over",
       [](std::optional<Base>& target, Base& source) { *target = std::move(source); },
       {"old cvarManager", "old gameWrapper"},
       false},
  };
  for (const auto& row : rows) {
    std::optional<Base> target = filled("old");
    Base source = filled("new");
    released.clear();
    row.act(target, source);
    EXPECT_EQ(released, row.released) << row.what;
    EXPECT_EQ(source.cvarManager && source.gameWrapper, row.sourceKeepsItsHandles) << row.what;
    EXPECT_TRUE(!target || (target->cvarManager && target->gameWrapper)) << row.what;
  }
}

TEST(Lifeline, CallbacksTheHostKeepsDoNothingOnceThePluginIsUnloadedOrGone) {
  for (bool destroyed : {false, true}) {
    SCOPED_TRACE(destroyed ? "the object destroyed" : "onUnload, the object kept");
    testing_support::Harness harness;
    harness.load();
    harness.console("rankwatch_enabled 1");
    std::string error;
    ASSERT_TRUE(harness.host->plugins().unload("rankwatch", error));
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

namespace {

// A host whose Execute fails, as one out of memory would.
class ThrowingExecute : public testing_support::ForwardingBackend {
 public:
  using ForwardingBackend::ForwardingBackend;
  void execute(hostsdk::PluginSlot*, hostsdk::GameCallback) override { throw std::bad_alloc(); }
};

}  // namespace

TEST(Lifeline, AHandOverTheHostThrewOnIsNoLongerUnderWay) {
  testing_support::Harness harness;
  rankwatch& plugin = harness.load();
  ThrowingExecute throwing(*harness.host);
  hostsdk::installBackend(&throwing);
  EXPECT_THROW(lifeline::toGameThread(plugin.line(), [](rankwatch*) {}), std::bad_alloc);
  hostsdk::installBackend(harness.host.get());
  // The cut waits for every hand-over under way, with no time bound: one still counted would
  // hold it for ever.
  std::atomic<bool> cut{false};
  std::thread cutting([&] {
    plugin.line()->cut();
    cut = true;
  });
  const bool returned = testing_support::until([&] { return cut.load(); });
  returned ? cutting.join() : cutting.detach();
  EXPECT_TRUE(returned) << "the cut still waits for the hand-over that threw";
}
