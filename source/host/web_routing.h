#pragma once

// The plugins' web requests on their way to the HTTP client: the SDK's default headers, the
// stats service's requests sent where the run says, the host's lines on what failed, and a delay
// before the host takes a request, which only tests set. Any thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "clock.h"
#include "hostsdk/backend.h"
#include "net/http_client.h"
#include "output.h"
#include "plugins.h"

namespace host {

class WebRouting {
 public:
  WebRouting(Output& output, Clock& clock, HttpClient& http, const Plugins& plugins)
      : output_(output), clock_(clock), http_(http), plugins_(plugins) {}

  // Requests to the public stats service go to `base` (scheme, host and port) instead; empty:
  // to the service itself. `standsIn`: the base plays the service (the local stats service),
  // so the host's lines name the service's URL; otherwise they name the URL actually asked.
  void setStatsUrl(const std::string& base, bool standsIn = true);

  // A plugin's request call waits `delay` of real time before the host takes the request, as
  // in a host whose call blocks; waiting calls follow a new delay, and zero ends their wait.
  void setSendDelay(std::chrono::milliseconds delay);
  // Cuts the delays short, for good: the host is shutting down.
  void close();
  // Request calls of plugins inside the host now, but for those held by the delay.
  int requestCallsUnderWay() const;
  // Requests sent since the start, each counted once the HTTP client holds (or refused) it.
  long requestsSent() const { return requestsSent_.load(); }

  // A plugin's request, from the library that holds `caller`. One from a plugin whose onUnload
  // has returned goes out all the same; `late` hears of it first, with the plugin's name.
  void send(const void* caller, CurlRequest request, hostsdk::ReplyCallback callback);
  void onLateCall(std::function<void(const std::string&)> late) { late_ = std::move(late); }

 private:
  // Where a request for `url` goes, and the URL the host's lines name for it.
  std::string routed(const std::string& url, std::string& named) const;
  void waitSendDelay();

  Output& output_;
  Clock& clock_;
  HttpClient& http_;
  const Plugins& plugins_;
  mutable std::mutex routeMutex_;
  std::string statsUrl_;
  bool statsStandsIn_ = true;
  std::atomic<long> requestsSent_{0};
  std::atomic<int> requestCallsInside_{0};
  mutable std::mutex sendMutex_;
  std::condition_variable sendWake_;
  std::chrono::milliseconds sendDelay_{0};
  int requestCallsDelayed_ = 0;
  bool closing_ = false;
  std::function<void(const std::string&)> late_;  // set before any request
};

}  // namespace host
