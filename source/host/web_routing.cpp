// A plugin's request from the SDK call to the HTTP client, and its reply back to the plugin.

#include "web_routing.h"

#include <algorithm>

#include "net/stats_service.h"

namespace host {

void WebRouting::setStatsUrl(const std::string& base, bool standsIn) {
  std::lock_guard<std::mutex> lock(routeMutex_);
  statsUrl_ = base;
  statsStandsIn_ = standsIn;
}

std::string WebRouting::routed(const std::string& url, std::string& named) const {
  const std::string origin = kPublicStatsOrigin;
  std::lock_guard<std::mutex> lock(routeMutex_);
  const bool toService = url.compare(0, origin.size(), origin) == 0 &&
                         (url.size() == origin.size() || url[origin.size()] == '/');
  const std::string sent =
      toService && !statsUrl_.empty() ? statsUrl_ + url.substr(origin.size()) : url;
  named = statsStandsIn_ ? url : sent;
  return sent;
}

void WebRouting::setSendDelay(std::chrono::milliseconds delay) {
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    sendDelay_ = delay;
  }
  sendWake_.notify_all();
}

void WebRouting::close() {
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    closing_ = true;
  }
  sendWake_.notify_all();
}

int WebRouting::requestCallsUnderWay() const {
  std::lock_guard<std::mutex> lock(sendMutex_);
  return requestCallsInside_.load() - requestCallsDelayed_;
}

void WebRouting::waitSendDelay() {
  // Measured from the call's start with the delay as it is now: a new delay, zero included,
  // applies to the calls already waiting.
  const auto start = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> lock(sendMutex_);
  ++requestCallsDelayed_;
  while (!closing_ && std::chrono::steady_clock::now() < start + sendDelay_) {
    sendWake_.wait_until(lock, start + sendDelay_);
  }
  --requestCallsDelayed_;
}

void WebRouting::send(const void* caller, CurlRequest request, hostsdk::ReplyCallback callback) {
  // Told late as the call comes, before the delay: a call made before the unload never is.
  plugins_.withCaller(caller, [&](const Plugins::Caller& sender) {
    if (sender.unloaded && late_) late_(sender.name);
  });
  ++requestCallsInside_;
  struct Leaving {
    std::atomic<int>& inside;
    ~Leaving() { --inside; }
  } leaving{requestCallsInside_};
  waitSendDelay();
  // The SDK's own headers, for a request that does not set them.
  for (const char* name : {"Accept", "Content-Type"}) {
    const bool set =
        std::any_of(request.headers.begin(), request.headers.end(),
                    [&](const auto& header) { return sameHeaderName(header.first, name); });
    if (!set) request.headers.emplace(name, "application/json");
  }
  const std::string url = request.url;
  std::string named;
  HttpRequest outgoing{routed(url, named),
                       request.verb,
                       {request.headers.begin(), request.headers.end()},
                       std::move(request.body)};
  output_.trace(clock_, [&] {
    return "http: " + (outgoing.verb.empty() ? std::string("GET") : outgoing.verb) + " " + url +
           (outgoing.url != url ? " via " + outgoing.url : std::string());
  });
  // A plugin keeps quiet about a lookup that failed; the host says why, once, without the query
  // (a time stamp, in the stats service's case).
  const std::string asked = named.substr(0, named.find('?'));
  const std::chrono::milliseconds timeout = http_.timeout();
  std::string who;
  bool taken = false;
  // Who sent it and its sending, under one lock against the unload: a plugin's request reaches
  // the host either before the unload deals with the plugin's requests, or after it as a closed
  // load's, whose reply then runs only while the library is still mapped.
  plugins_.withCaller(caller, [&](const Plugins::Caller& sender) {
    who = sender.name;
    if (sender.code) callback = keptCallable(sender.code, std::move(callback), "reply");
    auto reply = [this, url, asked, timeout, who, callback = std::move(callback)](
                     int status, std::string body, HttpFailure failure) {
      // As the SDK reports it: a request that got no reply is status 418.
      if (failure != HttpFailure::None) status = 418;
      output_.trace(clock_, [&] {
        return "http: " + url + " -> " + std::to_string(status) + ", " +
               std::to_string(body.size()) + " bytes";
      });
      if (failure != HttpFailure::None) {
        output_.line("http: " + asked + ": " + describe(failure, timeout));
      } else if (status < 200 || status > 299) {
        output_.line("http: " + asked + ": answered with status " + std::to_string(status));
      }
      try {
        callback(status, std::move(body));
      } catch (const std::exception& error) {
        output_.error(who + ": " + error.what());
      } catch (...) {
        output_.error(who + ": unknown exception");
      }
    };
    taken = http_.send(std::move(outgoing), sender.plugin, std::move(reply));
  });
  // Counted once the client holds it: a count of N with nothing in flight means N done.
  ++requestsSent_;
  if (!taken) {
    output_.trace(clock_, [&] {
      return "http: " + url + " refused: the host takes no more requests of " + who;
    });
  }
}

}  // namespace host
