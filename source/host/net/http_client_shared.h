#pragma once

// What every platform's HTTP client keeps for its callers: whose requests it takes, the
// callback of each request in flight, and whose callback runs right now. The platform's own
// state derives from this and guards its own fields with the same mutex.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "net/http_client.h"

namespace host {

struct HttpReplies {
  virtual ~HttpReplies() = default;

  struct Pending {
    const void* owner;
    HttpCallback callback;  // empty once the reply is dropped
  };

  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::vector<const void*> admitted;
  std::map<std::uint64_t, Pending> pending;  // every request in flight
  std::uint64_t sent = 0;
  bool callbackRunning = false;
  const void* callbackOwner = nullptr;
  bool stopping = false;
  long timeoutMs = static_cast<long>(kHttpDefaultTimeout.count());
  std::thread thread;  // the client's one thread, which calls every callback

  // With the mutex held: whether a request of `owner` is taken now.
  bool takes(const void* owner) const;
  // On the client's thread, without the mutex: calls the request's callback unless its reply
  // was dropped, destroys it, and ends the request. No reply: status 0 and why.
  void finish(std::uint64_t id, int status, std::string body, HttpFailure failure);
};

// No header name that is empty or holds a colon, and no line break in a name, a value or the
// verb: a line break would let a header smuggle in headers, or a request, of its own.
bool wellFormed(const HttpRequest& request);

// Moves the callback out and leaves the slot empty (a moved-from function may not be).
HttpCallback take(HttpCallback& slot);

}  // namespace host
