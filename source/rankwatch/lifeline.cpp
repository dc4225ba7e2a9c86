// Lines from callbacks to the plugin object, and what keeps the library loaded for those the
// host may keep.

#include "lifeline.h"

#include "library.h"

namespace lifeline {

Line::Line(rankwatch* object, std::shared_ptr<GameWrapper> game)
    : object_(object), game_(std::move(game)) {}

std::shared_ptr<GameWrapper> Line::game() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return game_;
}

void Line::cut() {
  std::shared_ptr<GameWrapper> game;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    game.swap(game_);
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
  std::shared_ptr<GameWrapper> game = line->game();
  if (!game) return;
  // The host's call is made without the line's lock: the game thread cutting the line must
  // never wait for the host.
  game->Execute([hold = std::move(*hold), body = std::move(body)](GameWrapper*) {
    if (hold.line()->open()) body(hold.line()->object());
  });
}

}  // namespace lifeline
