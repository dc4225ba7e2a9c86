#pragma once

// The host's HTTP client: many requests at a time, each bounded by a time-out, their replies
// called back on the client's one thread. Every request has an owner (a plugin, or null for the
// host), whose replies can be dropped before its code goes away. Each platform implements this.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace host {

struct HttpRequest {
  std::string url;
  std::string verb;  // empty: GET
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
};

// Why a request got no reply, the same on every system.
enum class HttpFailure {
  None,      // a reply came, whatever its status
  NotMade,   // not a request that can be made: a bad URL, or a line break in a header
  NoHost,    // the host's name was not found
  Refused,   // no connection could be made
  Secure,    // the secure connection could not be set up
  TimedOut,  // no whole reply within the time-out
  TooLarge,  // a body larger than kHttpMaxBody
  CutOff,    // the connection ended before a whole reply came
};

// Called once per request taken, on the client's thread, with the reply's status and body, or
// with status 0, an empty body and why no reply came.
using HttpCallback = std::function<void(int status, std::string body, HttpFailure failure)>;

inline constexpr std::size_t kHttpMaxBody = 8 << 20;
inline constexpr std::chrono::milliseconds kHttpDefaultTimeout{8000};

// "the connection was refused", "no reply within 8 s": a failure as a user reads it.
std::string describe(HttpFailure failure, std::chrono::milliseconds timeout);

// Header names are told apart regardless of the letters' case.
bool sameHeaderName(const std::string& a, const std::string& b);

struct HttpReplies;

class HttpClient {
 public:
  HttpClient();
  ~HttpClient();  // shuts down
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Requests taken from now on give up after `limit` (more than zero).
  void setTimeout(std::chrono::milliseconds limit);
  std::chrono::milliseconds timeout() const;

  // Takes requests of `owner` from now on; the host's own (null) are always taken.
  void admit(const void* owner);
  // Queues the request and returns at once; safe from any thread. False when the owner is not
  // admitted or the client has shut down: the callback is then destroyed here, uncalled.
  bool send(HttpRequest request, const void* owner, HttpCallback callback);
  // Takes no more requests of `owner` and destroys the callbacks of its requests here, uncalled;
  // one of its callbacks running now finishes on the client's thread, unwaited for. Returns how
  // many replies it dropped. Never from a callback.
  int forget(const void* owner);
  // Takes no more requests of `from`; its requests in flight are `to`'s from now on.
  void reown(const void* from, const void* to);

  // Requests taken and not yet done: the transfer is under way (even when its reply has been
  // dropped) or the callback has not returned.
  int inFlight() const;
  // Waits at most `limit` for none to be in flight; true when none is.
  bool waitIdle(std::chrono::milliseconds limit) const;

  // Ends every transfer, destroys every callback uncalled and stops the thread; takes nothing
  // afterwards. Never from a callback.
  void shutdown();

 private:
  struct State;  // each platform's own, an HttpReplies and more
  std::unique_ptr<HttpReplies> state_;
};

}  // namespace host
