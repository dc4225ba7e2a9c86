// The callers' side of the HTTP client, the same on every platform: owners admitted and
// forgotten, requests in flight, and the one callback that may be running.

#include "net/http_client_shared.h"

#include <algorithm>
#include <cassert>

namespace host {

HttpCallback take(HttpCallback& slot) {
  HttpCallback taken = std::move(slot);
  slot = nullptr;
  return taken;
}

bool wellFormed(const HttpRequest& request) {
  auto holdsLineBreak = [](const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
  };
  for (const auto& [name, value] : request.headers) {
    if (name.empty() || name.find(':') != std::string::npos || holdsLineBreak(name) ||
        holdsLineBreak(value)) {
      return false;
    }
  }
  return !holdsLineBreak(request.verb);
}

bool sameHeaderName(const std::string& a, const std::string& b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

std::string describe(HttpFailure failure, std::chrono::milliseconds timeout) {
  switch (failure) {
    case HttpFailure::None:
      break;
    case HttpFailure::NotMade:
      return "not a request that can be made";
    case HttpFailure::NoHost:
      return "the host's name was not found";
    case HttpFailure::Refused:
      return "the connection was refused";
    case HttpFailure::Secure:
      return "the secure connection failed";
    case HttpFailure::TimedOut: {
      // Whole seconds as "8", others as "0.3".
      const auto ms = timeout.count();
      std::string seconds = std::to_string(ms / 1000);
      if (ms % 1000 != 0) {
        std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
        while (fraction.back() == '0') fraction.pop_back();
        seconds += "." + fraction;
      }
      return "no reply within " + seconds + " s";
    }
    case HttpFailure::TooLarge:
      return "the reply was larger than " + std::to_string(kHttpMaxBody >> 20) + " MB";
    case HttpFailure::CutOff:
      return "the connection ended before a whole reply";
  }
  return "a reply came";
}

bool HttpReplies::takes(const void* owner) const {
  return !stopping &&
         (!owner || std::find(admitted.begin(), admitted.end(), owner) != admitted.end());
}

void HttpReplies::finish(std::uint64_t id, int status, std::string body, HttpFailure failure) {
  HttpCallback callback;
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto found = pending.find(id);
    if (found != pending.end() && found->second.callback) {
      callback = take(found->second.callback);
      callbackRunning = true;
      callbackOwner = found->second.owner;
    }
  }
  if (callback) {
    try {
      callback(status, std::move(body), failure);
    } catch (...) {
      // The host's callbacks report their own failures; nothing may end this thread.
    }
    callback = nullptr;  // destroying it runs the owner's code as well
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    callbackRunning = false;
    pending.erase(id);
  }
  changed.notify_all();
}

HttpClient::~HttpClient() {
  shutdown();
}

void HttpClient::setTimeout(std::chrono::milliseconds limit) {
  assert(limit.count() > 0);
  HttpReplies& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  s.timeoutMs = static_cast<long>(std::max<std::chrono::milliseconds::rep>(1, limit.count()));
}

std::chrono::milliseconds HttpClient::timeout() const {
  HttpReplies& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  return std::chrono::milliseconds(s.timeoutMs);
}

void HttpClient::admit(const void* owner) {
  HttpReplies& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  s.admitted.push_back(owner);
}

int HttpClient::forget(const void* owner) {
  HttpReplies& s = *state_;
  std::vector<HttpCallback> dropped;  // destroyed here, once the lock is let go
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    assert(std::this_thread::get_id() != s.thread.get_id());
    s.admitted.erase(std::remove(s.admitted.begin(), s.admitted.end(), owner), s.admitted.end());
    for (auto& [id, request] : s.pending) {
      if (request.owner == owner && request.callback) dropped.push_back(take(request.callback));
    }
  }
  return static_cast<int>(dropped.size());
}

void HttpClient::reown(const void* from, const void* to) {
  HttpReplies& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  s.admitted.erase(std::remove(s.admitted.begin(), s.admitted.end(), from), s.admitted.end());
  for (auto& [id, request] : s.pending) {
    if (request.owner == from) request.owner = to;
  }
  if (s.callbackOwner == from) s.callbackOwner = to;
}

int HttpClient::inFlight() const {
  HttpReplies& s = *state_;
  std::lock_guard<std::mutex> lock(s.mutex);
  return static_cast<int>(s.pending.size());
}

bool HttpClient::waitIdle(std::chrono::milliseconds limit) const {
  HttpReplies& s = *state_;
  std::unique_lock<std::mutex> lock(s.mutex);
  return s.changed.wait_for(lock, limit, [&] { return s.pending.empty(); });
}

}  // namespace host
