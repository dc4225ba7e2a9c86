// Lines from callbacks to the plugin object, and what keeps the library loaded for those the
// host may keep.

#include "lifeline.h"

#include "library.h"

namespace lifeline {

std::optional<Line::Inside> Line::enter(bool evenWhileLoading) {
  std::lock_guard<std::mutex> lock(mutex_);
  const State state = state_.load();
  if (state == State::Open || (state == State::Loading && evenWhileLoading)) {
    ++inside_;
    return Inside(*this);
  }
  if (state == State::Loading) turnedAway_ = true;
  return std::nullopt;
}

void Line::leave() {
  bool last = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    last = --inside_ == 0 && state_.load() == State::Cut;
  }
  if (last) left_.notify_all();
}

bool Line::opened() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_.load() == State::Loading) state_.store(State::Open);
  return std::exchange(turnedAway_, false);
}

void Line::execute(std::function<void(GameWrapper*)> callable) {
  // Inside, the wrapper stays: the cut lets go of it only once no one is.
  if (auto inside = enter()) game_->Execute(std::move(callable));
}

void Line::cut() {
  std::shared_ptr<GameWrapper> game;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    // Against a Hold being made on another thread, which counts itself first and looks at the
    // line second: one of the two sees the other (both orders are sequentially consistent).
    state_.store(State::Cut);
    left_.wait(lock, [&] { return inside_ == 0; });
    game.swap(game_);
  }
  game.reset();  // the thread that cuts is the wrapper's last owner among the plugin's
  if (held_.load() > 0) library::keepForGood();
}

Hold::Hold(std::shared_ptr<Line> line) : line_(std::move(line)) {
  line_->held_.fetch_add(1);
  if (line_->state_.load() == Line::State::Cut) library::keepForGood();
}

Hold::~Hold() {
  if (line_) line_->held_.fetch_sub(1);
}

std::optional<Hold> Hold::ifOpen(const std::shared_ptr<Line>& line) {
  line->held_.fetch_add(1);
  if (line->open()) return Hold(line, Counted{});
  // Cut meanwhile: the cut may have counted this one and kept the library; that does no harm.
  line->held_.fetch_sub(1);
  return std::nullopt;
}

void toGameThread(const std::shared_ptr<Line>& line, std::function<void(rankwatch*)> body) {
  std::optional<Hold> hold = Hold::ifOpen(line);
  if (!hold) return;
  line->execute([hold = std::move(*hold), body = std::move(body)](GameWrapper*) {
    Line& line = *hold.line();
    if (auto inside = line.enter()) body(line.object());
  });
}

}  // namespace lifeline
