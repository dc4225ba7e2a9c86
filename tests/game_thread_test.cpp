// The game thread's timers, hooks and callbacks posted from other threads.

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "game_thread.h"

namespace {

struct GameThreadFixture : ::testing::Test {
  std::ostringstream stream;
  host::Output output{stream};
  host::PluginCalls calls{output};
  host::Clock clock{host::Clock::Mode::Virtual};
  host::GameThread game{clock, calls};
  std::vector<std::string> log;

  void at(float seconds, const std::string& name) {
    game.setTimeout(
        nullptr, [this, name] { log.push_back(name + "@" + host::Clock::format(clock.now())); },
        seconds);
  }
};

}  // namespace

TEST_F(GameThreadFixture, TimersFireAtTheirMomentInDueThenSetOrder) {
  at(2.0f, "c");
  at(1.0f, "a");
  at(1.0f, "b");
  game.setTimeout(
      nullptr, [this] { at(0.5f, "set by a timer"); }, 1.0f);
  game.pass(host::toMicros(0.999));
  EXPECT_TRUE(log.empty());
  game.pass(host::toMicros(5));
  EXPECT_EQ(log,
            (std::vector<std::string>{"a@1.000", "b@1.000", "set by a timer@1.500", "c@2.000"}));
  EXPECT_EQ(clock.now(), host::toMicros(5.999));
}

TEST_F(GameThreadFixture, ATimerThatSetsItselfAgainMovesTimeOnInsteadOfSpinning) {
  int runs = 0;
  std::function<void()> again = [&] {
    ++runs;
    game.setTimeout(nullptr, again, 0.0f);
  };
  game.setTimeout(nullptr, again, 0.0f);
  game.pass(host::toMicros(0.001));
  EXPECT_EQ(runs, 1000);
}

TEST_F(GameThreadFixture, TimeStopsAtItsEndInsteadOfOverflowing) {
  int runs = 0;
  std::function<void()> again = [&] {
    ++runs;
    game.setTimeout(nullptr, again, 1e9f);
  };
  game.setTimeout(nullptr, again, 1e9f);
  for (int i = 0; i < 3; ++i) game.pass(host::kEndOfTime / 2);
  EXPECT_EQ(clock.now(), host::kEndOfTime);
  const int atTheEnd = runs;
  EXPECT_GE(atTheEnd, 9000);
  game.pass(1);
  EXPECT_LE(runs, atTheEnd + 3) << "a timer at the end of time does not spin";
}

TEST_F(GameThreadFixture, PostsFromOtherThreadsRunOnTheGameThreadInOrder) {
  std::vector<int> order;
  const auto gameThread = std::this_thread::get_id();
  bool onGameThread = true;
  std::thread other([&] {
    for (int i = 0; i < 3; ++i) {
      game.post(nullptr, [&, i] {
        order.push_back(i);
        onGameThread = onGameThread && std::this_thread::get_id() == gameThread;
      });
    }
  });
  other.join();
  EXPECT_TRUE(order.empty());
  game.pass(0);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(onGameThread);
}

TEST_F(GameThreadFixture, APostRunsBeforeATimerDueAtTheSameTurn) {
  at(1.0f, "timer");
  clock.advanceTo(host::toMicros(1.0));
  std::thread other([&] {
    game.post(nullptr, [this] { log.push_back("posted@" + host::Clock::format(clock.now())); });
  });
  other.join();
  game.pass(0);
  EXPECT_EQ(log, (std::vector<std::string>{"posted@1.000", "timer@1.000"}));
}

TEST(Clock, SecondsBecomeTheNearestMicrosecond) {
  const std::pair<double, host::Micros> cases[] = {
      {0.0, 0},       {0.000001, 1},          {1.001, 1001000}, {0.3, 300000},
      {2.5, 2500000}, {86400.0, 86400000000}, {0.0000004, 0},   {1e9, 1000000000000000},
  };
  for (const auto& [seconds, micros] : cases) EXPECT_EQ(host::toMicros(seconds), micros) << seconds;
  EXPECT_EQ(host::Clock::format(host::toMicros(1.001)), "1.001");
}

TEST_F(GameThreadFixture, AForgottenPluginLosesItsHooksTimersAndPosts) {
  auto* plugin = reinterpret_cast<host::PluginSlot*>(0x1);
  auto* other = reinterpret_cast<host::PluginSlot*>(0x2);
  game.admit(plugin);
  game.admit(other);
  int ran = 0;
  game.hook(plugin, "Function Event", [&](std::string) { ++ran; });
  game.hook(other, "Function Event", [&](std::string name) {
    EXPECT_EQ(name, "Function Event");
    ran += 10;
  });
  game.setTimeout(
      plugin, [&] { ++ran; }, 1.0f);
  game.post(plugin, [&] { ++ran; });
  game.forget(plugin);
  game.post(plugin, [&] { ++ran; });  // after forgetting: refused
  EXPECT_EQ(game.fire("Function Event"), 1);
  game.pass(host::toMicros(2));
  EXPECT_EQ(ran, 10);
}
