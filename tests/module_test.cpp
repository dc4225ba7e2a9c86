// The library's exports and the one plugin object's lifetime, through the exported functions.

#include <gtest/gtest.h>

#include <cstring>

#include "harness.h"
#include "hostsdk/plugin.h"
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
  harness.slot = harness.host->adopt("rankwatch", holderAt(address));
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

TEST(Module, BasePartCopiesShareAndMovesTakeTheHostHandles) {
  BakkesMod::Plugin::BakkesModPlugin source;
  source.cvarManager = std::make_shared<CVarManagerWrapper>(nullptr);
  source.gameWrapper = std::make_shared<GameWrapper>(nullptr);

  BakkesMod::Plugin::BakkesModPlugin copy(source);
  EXPECT_EQ(copy.cvarManager, source.cvarManager);
  EXPECT_EQ(source.gameWrapper.use_count(), 2);

  BakkesMod::Plugin::BakkesModPlugin moved(std::move(copy));
  EXPECT_FALSE(copy.cvarManager || copy.gameWrapper);
  EXPECT_EQ(moved.gameWrapper, source.gameWrapper);

  BakkesMod::Plugin::BakkesModPlugin assigned;
  assigned = source;
  EXPECT_EQ(source.cvarManager.use_count(), 3);
  // A plugin that keeps the base's onLoad and onUnload gets bodies that leave it as it is.
  assigned.onLoad();
  assigned.onUnload();
  EXPECT_EQ(assigned.cvarManager, source.cvarManager);
  EXPECT_EQ(assigned.gameWrapper, source.gameWrapper);
  assigned = BakkesMod::Plugin::BakkesModPlugin();
  EXPECT_FALSE(assigned.cvarManager || assigned.gameWrapper);
  EXPECT_EQ(source.cvarManager.use_count(), 2);
}
