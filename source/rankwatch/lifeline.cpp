// Lines from callbacks to the plugin object, and what keeps the library loaded for those the
// host may keep.

#include "lifeline.h"

#include <chrono>

#include "library.h"

namespace lifeline {

// A host's Execute might wait for the game thread, which cuts: the cut never waits longer.
constexpr std::chrono::milliseconds kHandOverWait{100};

void Line::execute(std::function<void(GameWrapper*)> callable) {
  std::shared_ptr<GameWrapper> game;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!game_) return;
    game = game_;
    ++handing_;
  }
  try {
    game->Execute(std::move(callable));
  } catch (...) {
    handedOver(game);
    throw;
  }
  handedOver(game);
}

// The wrapper goes first: the thread that cuts is to be its last owner.
void Line::handedOver(std::shared_ptr<GameWrapper>& game) {
  game.reset();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    --handing_;
  }
  handedOver_.notify_all();
}

void Line::cut() {
  std::shared_ptr<GameWrapper> game;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    game.swap(game_);
    handedOver_.wait_for(lock, kHandOverWait, [&] { return handing_ == 0; });
  }
  // Against a Hold being made on another thread, which counts itself first and looks at the
  // line second: one of the two sees the other (both orders are sequentially consistent).
  open_.store(false);
  if (held_.load() > 0) library::keepForGood();
}

Hold::Hold(std::shared_ptr<Line> line) : line_(std::move(line)) {
  line_->held_.fetch_add(1);
  if (!line_->open_.load()) library::keepForGood();
}

Hold::~Hold() {
  if (line_) line_->held_.fetch_sub(1);
}

std::optional<Hold> Hold::ifOpen(const std::shared_ptr<Line>& line) {
  line->held_.fetch_add(1);
  if (line->open_.load()) return Hold(line, Counted{});
  line->held_.fetch_sub(1);
  return std::nullopt;
}

void toGameThread(const std::shared_ptr<Line>& line, std::function<void(rankwatch*)> body) {
  std::optional<Hold> hold = Hold::ifOpen(line);
  if (!hold) return;
  line->execute([hold = std::move(*hold), body = std::move(body)](GameWrapper*) {
    if (hold.line()->open()) body(hold.line()->object());
  });
}

}  // namespace lifeline
