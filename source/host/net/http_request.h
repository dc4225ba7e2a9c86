#pragma once

// A request to the host's HTTP client and what answers it: the reply's callback, why a request
// got no reply, and the client's limits. The client and the replies it keeps both speak these.

#include <chrono>
#include <cstddef>
#include <functional>
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

}  // namespace host
