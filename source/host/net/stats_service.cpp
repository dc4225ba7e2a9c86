// The local stats service on cpp-httplib.
//
//   the profile       the reply body, in the public service's shape
//   a dropped reply   closing a connection under the server library
//   Server            the served world and the server itself
//   StatsService      the callers' side

#include "net/stats_service.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#if !defined(_WIN32)
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace host {

namespace {

using json = nlohmann::json;

constexpr char kJson[] = "application/json";

// ---- the profile ----------------------------------------------------------------------------

// An overview segment without a playlist first, as the public service sends, then one segment
// per rated playlist in ascending order.
std::string profileOf(const std::string& platform, const std::string& id,
                      const std::map<int, json>& ratings) {
  json segments = json::array();
  segments.push_back({{"type", "overview"},
                      {"attributes", json::object()},
                      {"stats", {{"wins", {{"value", 0}}}}}});
  for (const auto& [playlist, value] : ratings) {
    segments.push_back(
        {{"type", "playlist"},
         {"attributes", {{"playlistId", playlist}, {"season", 1}}},
         {"stats", {{"rating", {{"value", value}}}, {"matchesPlayed", {{"value", 0}}}}}});
  }
  json profile = {{"data",
                   {{"platformInfo", {{"platformSlug", platform}, {"platformUserIdentifier", id}}},
                    {"segments", std::move(segments)}}}};
  // A player id need not be valid UTF-8; the reply must still go out.
  return profile.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string notFound() {
  return json{{"errors",
               {{{"code", "CollectorResultStatus::NotFound"},
                 {"message", "We could not find the player you were looking for."}}}}}
      .dump();
}

// ---- a dropped reply ------------------------------------------------------------------------

// The server library hands its handlers no socket: the connection is found by its two ports and
// shut down, so that the peer reads the end where the reply would start and the library's write
// fails. Where sockets cannot be listed, the reply is cut short after its headers instead.
bool shutDownConnection(int localPort, int remotePort) {
#if defined(__linux__)
  // The service listens on 127.0.0.1 only: its connections are IPv4.
  auto portOf = [](const sockaddr_storage& address) {
    if (address.ss_family != AF_INET) return -1;
    return static_cast<int>(ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port));
  };
  std::error_code failure;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", failure)) {
    const int fd = std::atoi(entry.path().filename().c_str());
    sockaddr_storage local{};
    sockaddr_storage peer{};
    socklen_t localSize = sizeof local;
    socklen_t peerSize = sizeof peer;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
        getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) {
      continue;
    }
    if (portOf(local) == localPort && portOf(peer) == remotePort) {
      return ::shutdown(fd, SHUT_RDWR) == 0;
    }
  }
#else
  (void)localPort;
  (void)remotePort;
#endif
  return false;
}

bool transportHeader(const std::string& name) {
  for (const char* own :
       {"Host", "Content-Length", "REMOTE_ADDR", "REMOTE_PORT", "LOCAL_ADDR", "LOCAL_PORT"}) {
    if (name == own) return true;
  }
  return false;
}

}  // namespace

// ---- Server ---------------------------------------------------------------------------------

struct StatsService::Server {
  httplib::Server http;
  std::thread listener;
  int port = -1;

  mutable std::mutex mutex;
  std::condition_variable wake;  // ends delays early: stopping, or a shorter delay
  bool stopping = false;
  std::string platform = "steam";
  std::string player;
  std::map<int, json> ratings;
  std::optional<std::pair<int, std::string>> forced;
  bool dropNext = false;
  std::chrono::milliseconds delay{0};
  std::optional<Request> last;
  long received = 0;

  void serve(const httplib::Request& request, httplib::Response& response);
};

void StatsService::Server::serve(const httplib::Request& request, httplib::Response& response) {
  Request seen;
  seen.method = request.method;
  seen.path = request.path;
  const size_t mark = request.target.find('?');
  seen.query = mark == std::string::npos ? std::string() : request.target.substr(mark + 1);
  for (const auto& [name, value] : request.headers) {
    if (!transportHeader(name)) seen.headers.emplace_back(name, value);
  }
  seen.bodySize = request.body.size();
  seen.receivedAt = static_cast<std::int64_t>(std::time(nullptr));

  std::optional<std::pair<int, std::string>> reply;
  bool drop = false;
  std::chrono::milliseconds wait{0};
  const auto arrived = std::chrono::steady_clock::now();
  {
    std::lock_guard<std::mutex> lock(mutex);
    last = seen;
    ++received;
    wait = delay;
    drop = std::exchange(dropNext, false);
    if (!drop) reply = std::exchange(forced, std::nullopt);
    if (!drop && !reply) {
      const bool profile =
          request.method == "GET" && request.path == kStatsProfilePath + platform + "/" + player;
      reply = profile ? std::make_pair(200, profileOf(platform, player, ratings))
                      : std::make_pair(404, notFound());
    }
  }
  if (wait.count() > 0) {
    std::unique_lock<std::mutex> lock(mutex);
    const auto until = [&] { return arrived + std::min(wait, delay); };
    while (!stopping && std::chrono::steady_clock::now() < until()) wake.wait_until(lock, until());
  }
  if (drop) {
    if (!shutDownConnection(request.local_port, request.remote_port)) {
      response.status = 200;
      response.set_content_provider(1, kJson,
                                    [](size_t, size_t, httplib::DataSink&) { return false; });
    }
    return;
  }
  response.status = reply->first;
  response.set_content(reply->second, kJson);
}

// ---- StatsService ---------------------------------------------------------------------------

StatsService::StatsService() : server_(std::make_unique<Server>()) {}

StatsService::~StatsService() {
  stop();
}

bool StatsService::start(std::string& error) {
  Server& s = *server_;
  if (s.listener.joinable()) return true;
  // One request per connection: a client that finds a kept connection closed under it sends
  // the request again, and a dropped reply would then be answered after all.
  s.http.set_keep_alive_max_count(1);
  s.http.new_task_queue = [] { return new httplib::ThreadPool(4); };
  // Every path of every method, so that a request's body is read before it is recorded.
  const std::string any = R"([\s\S]*)";
  auto serve = [&s](const httplib::Request& request, httplib::Response& response) {
    s.serve(request, response);
  };
  s.http.Get(any, serve).Post(any, serve).Put(any, serve).Patch(any, serve).Delete(any, serve);
  s.port = s.http.bind_to_any_port("127.0.0.1");
  if (s.port < 0) {
    error = "the local stats service cannot listen on 127.0.0.1";
    return false;
  }
  try {
    s.listener = std::thread([&s] { s.http.listen_after_bind(); });
  } catch (const std::exception& failure) {
    error = std::string("the local stats service cannot start: ") + failure.what();
    s.port = -1;
    return false;
  }
  // stop() does nothing to a server that has not begun to listen, which would then never end.
  for (int i = 0; i < 5000 && !s.http.is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void StatsService::stop() {
  Server& s = *server_;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.stopping = true;
  }
  s.wake.notify_all();
  if (s.listener.joinable()) {
    s.http.stop();
    s.listener.join();
  }
  s.port = -1;
}

std::string StatsService::base() const {
  return server_->port < 0 ? std::string() : "http://127.0.0.1:" + std::to_string(server_->port);
}

void StatsService::setPlayer(const std::string& platformWord, const std::string& id) {
  std::lock_guard<std::mutex> lock(server_->mutex);
  server_->platform = platformWord;
  server_->player = id;
}

void StatsService::setPlayer(const UniqueIDWrapper& player) {
  if (hostsdk::idPlatform(player) == OnlinePlatform_Steam) {
    setPlayer("steam", std::to_string(hostsdk::idUid(player)));
  } else {
    setPlayer("epic", hostsdk::idText(player));
  }
}

void StatsService::setRating(int playlist, double value) {
  // Whole ratings go out as integers, as the public service writes them.
  const bool whole = std::trunc(value) == value && std::fabs(value) < 1e15;
  std::lock_guard<std::mutex> lock(server_->mutex);
  server_->ratings[playlist] = whole ? json(static_cast<std::int64_t>(value)) : json(value);
}

void StatsService::forceReply(int status, std::string body) {
  std::lock_guard<std::mutex> lock(server_->mutex);
  server_->forced = std::make_pair(status, std::move(body));
  server_->dropNext = false;
}

void StatsService::dropNext() {
  std::lock_guard<std::mutex> lock(server_->mutex);
  server_->dropNext = true;
  server_->forced.reset();
}

void StatsService::setDelay(std::chrono::milliseconds delay) {
  std::lock_guard<std::mutex> lock(server_->mutex);
  server_->delay = delay;
  server_->wake.notify_all();
}

std::optional<StatsService::Request> StatsService::lastRequest() const {
  std::lock_guard<std::mutex> lock(server_->mutex);
  return server_->last;
}

long StatsService::received() const {
  std::lock_guard<std::mutex> lock(server_->mutex);
  return server_->received;
}

}  // namespace host
