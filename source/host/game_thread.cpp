// The game thread's hooks, timers and posted callbacks, run one at a time in due order.

#include "game_thread.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace host {

void GameThread::hook(PluginSlot* owner, const std::string& name,
                      std::function<void(std::string)> call) {
  hooks_.push_back({owner, name, std::move(call)});
}

void GameThread::unhook(PluginSlot* owner, const std::string& name) {
  hooks_.erase(
      std::remove_if(hooks_.begin(), hooks_.end(),
                     [&](const Hook& hook) { return hook.owner == owner && hook.name == name; }),
      hooks_.end());
}

int GameThread::fire(const std::string& name) {
  // A hook may hook or unhook while it runs; it sees the list as it was when the event began.
  std::vector<Hook> matching;
  for (const Hook& hook : hooks_) {
    if (hook.name == name) matching.push_back(hook);
  }
  for (Hook& hook : matching) {
    calls_.run(hook.owner, [&] { hook.call(name); });
  }
  return static_cast<int>(matching.size());
}

void GameThread::setTimeout(PluginSlot* owner, std::function<void()> call, float seconds) {
  // At least a microsecond ahead, so a timer that sets itself again moves time on; a delay
  // that is not a number counts as none, an endless one as a very long one.
  double delay = std::isnan(seconds) ? 0.0 : std::max(0.0, static_cast<double>(seconds));
  delay = std::min(delay, 1e9);
  const Micros due = after(clock_.now(), std::max<Micros>(toMicros(delay), 1));
  timers_.emplace(std::make_pair(due, timersSet_++), Call{owner, std::move(call)});
}

std::optional<Micros> GameThread::nextDue() const {
  if (timers_.empty()) return std::nullopt;
  return timers_.begin()->first.first;
}

void GameThread::runDue() {
  // Timers set while these run wait for the next turn, even if already due.
  const std::uint64_t setBefore = timersSet_;
  for (auto it = timers_.begin(); it != timers_.end() && it->first.first <= clock_.now();) {
    if (it->first.second >= setBefore) {
      ++it;
      continue;
    }
    Call timer = std::move(it->second);
    timers_.erase(it);
    calls_.run(timer.owner, [&] { timer.call(); });
    it = timers_.begin();
  }
}

void GameThread::admit(const PluginSlot* owner) {
  std::lock_guard<std::mutex> lock(postedMutex_);
  admitted_.push_back(owner);
}

void GameThread::post(PluginSlot* owner, std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(postedMutex_);
    if (owner && std::find(admitted_.begin(), admitted_.end(), owner) == admitted_.end()) {
      return;
    }
    posted_.push_back({owner, std::move(call)});
  }
  postedSignal_.notify_all();
}

void GameThread::runPosted() {
  for (;;) {
    Call next;
    {
      std::lock_guard<std::mutex> lock(postedMutex_);
      if (posted_.empty()) return;
      next = std::move(posted_.front());
      posted_.pop_front();
    }
    calls_.run(next.owner, [&] { next.call(); });
  }
}

bool GameThread::hasPosted() const {
  std::lock_guard<std::mutex> lock(postedMutex_);
  return !posted_.empty();
}

void GameThread::waitForPost(Micros deadline) {
  const auto wait = [&] {
    std::unique_lock<std::mutex> lock(postedMutex_);
    const Micros span = deadline - clock_.now();
    if (span <= 0 || !posted_.empty()) return;
    postedSignal_.wait_for(lock, std::chrono::microseconds(span), [&] { return !posted_.empty(); });
  };
  if (turn_) {
    turn_->awayFor(wait);
  } else {
    wait();
  }
}

void GameThread::pass(Micros span) {
  const Micros target = after(clock_.now(), std::max<Micros>(span, 0));
  runPosted();
  runDue();
  if (clock_.mode() == Clock::Mode::Virtual) {
    // Step from one due timer to the next so that each fires at its own moment.
    while (nextDue() && *nextDue() <= target) {
      const Micros due = *nextDue();
      clock_.advanceTo(due);
      runDue();
      runPosted();
      // Time cannot move past its end, so a timer that sets itself again there would spin.
      if (due == kEndOfTime) break;
    }
    clock_.advanceTo(target);
    runDue();
    runPosted();
    return;
  }
  while (clock_.now() < target) {
    const Micros next = nextDue() ? std::min(*nextDue(), target) : target;
    waitForPost(next);
    runPosted();
    runDue();
  }
}

void GameThread::reown(const PluginSlot* from, PluginSlot* to) {
  host::reown(hooks_, from, to);
  for (auto& [due, timer] : timers_) {
    if (timer.owner == from) timer.owner = to;
  }
  std::lock_guard<std::mutex> lock(postedMutex_);
  host::reown(posted_, from, to);
}

void GameThread::forget(const PluginSlot* owner) {
  auto owned = [&](const auto& item) { return item.owner == owner; };
  auto hooks = takeOut(hooks_, owned);
  auto timers = takeOut(timers_, [&](const auto& timer) { return timer.second.owner == owner; });
  std::vector<Call> posted;
  {
    std::lock_guard<std::mutex> lock(postedMutex_);
    admitted_.erase(std::remove(admitted_.begin(), admitted_.end(), owner), admitted_.end());
    posted = takeOut(posted_, owned);
  }
}

}  // namespace host
