#include "lifeline.h"

#include <algorithm>
#include <vector>

namespace lifeline {

namespace {

struct Entry {
  const rankwatch* object;
  Ticket line;
};

// A handful of objects at most: one per loaded library, more only in tests.
std::mutex entriesMutex;
std::vector<Entry> entries;

}  // namespace

Line::Line(rankwatch* object, std::shared_ptr<GameWrapper> game)
    : object_(object), open_(true), game_(std::move(game)) {}

std::shared_ptr<GameWrapper> Line::game() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return game_;
}

void Line::cut() {
  std::shared_ptr<GameWrapper> game;
  std::lock_guard<std::mutex> lock(mutex_);
  open_.store(false);
  game.swap(game_);
}

void issue(rankwatch* object, std::shared_ptr<GameWrapper> game) {
  auto line = std::make_shared<Line>(object, std::move(game));
  revoke(object);
  std::lock_guard<std::mutex> lock(entriesMutex);
  entries.push_back({object, std::move(line)});
}

void revoke(const rankwatch* object) {
  std::vector<Entry> cutOff;
  {
    std::lock_guard<std::mutex> lock(entriesMutex);
    for (auto it = entries.begin(); it != entries.end();) {
      if (it->object == object) {
        cutOff.push_back(std::move(*it));
        it = entries.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (Entry& entry : cutOff) entry.line->cut();
}

Ticket ticket(const rankwatch* object) {
  {
    std::lock_guard<std::mutex> lock(entriesMutex);
    for (const Entry& entry : entries) {
      if (entry.object == object) return entry.line;
    }
  }
  return std::make_shared<Line>();
}

void toGameThread(const Ticket& line, std::function<void(rankwatch*)> body) {
  std::shared_ptr<GameWrapper> game = line->game();
  if (!game) return;
  // The host's call is made without the line's lock: the game thread cutting the line must
  // never wait for the host.
  game->Execute([line, body = std::move(body)](GameWrapper*) {
    if (line->open()) body(line->object());
  });
}

}  // namespace lifeline
