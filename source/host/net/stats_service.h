#pragma once

// A local stand-in of the public web stats service: an HTTP server on 127.0.0.1, on a port the
// system picks, serving the local player's profile in the public service's shape and 404 for
// any other player. Scenarios set its ratings, force or drop its next reply, slow it down and
// read back the last request. Safe from any thread.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hostsdk/unique_id.h"

namespace host {

// The public service's origin. The host can send its requests to a stand-in instead.
inline constexpr char kPublicStatsOrigin[] = "https://api.tracker.gg";
// The path under which it serves profiles: then the platform word, "/" and the player id.
inline constexpr char kStatsProfilePath[] = "/api/v2/rocket-league/standard/profile/";

class StatsService {
 public:
  struct Request {
    std::string method;
    std::string path;   // decoded
    std::string query;  // as sent
    // The headers the sender set: those the transport adds (Host, Content-Length) and the
    // server library's notes on the connection are left out.
    std::vector<std::pair<std::string, std::string>> headers;
    std::size_t bodySize = 0;
    std::int64_t receivedAt = 0;  // Unix time
  };

  StatsService();
  ~StatsService();  // stops
  StatsService(const StatsService&) = delete;
  StatsService& operator=(const StatsService&) = delete;

  // Binds and starts serving; false with a one-line reason when it cannot.
  bool start(std::string& error);
  // Wakes delayed replies and stops serving.
  void stop();
  // "http://127.0.0.1:<port>" while serving; empty otherwise.
  std::string base() const;

  // The profile served: the player it belongs to, and the rating of each playlist.
  void setPlayer(const std::string& platformWord, const std::string& id);
  // As the public service keys a game's player: a Steam player by the Steam id (the uid), any
  // other by the identity's text, under "epic".
  void setPlayer(const UniqueIDWrapper& player);
  void setRating(int playlist, double value);
  // The next reply only: this status and body, whatever was asked.
  void forceReply(int status, std::string body);
  // The next request's connection is closed without a reply.
  void dropNext();
  // Every reply from now on is held back this long; a shorter delay, zero for none, also lets
  // go of those held back longer.
  void setDelay(std::chrono::milliseconds delay);

  std::optional<Request> lastRequest() const;
  // The requests received so far, whether answered yet or not.
  long received() const;

 private:
  struct Server;
  std::unique_ptr<Server> server_;
};

}  // namespace host
