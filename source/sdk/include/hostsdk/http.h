#pragma once

// Web requests a plugin hands the host, and the record that describes one.

#include <functional>
#include <map>
#include <string>

#include "hostsdk/export.h"

// The host's request record. An empty `verb` means GET.
struct CurlRequest {
  std::string url;
  std::string verb;
  std::map<std::string, std::string> headers;
  std::string body;
};

class HOSTSDK_API HttpWrapper {
 public:
  // Performs the request on a thread of the host's and calls back there with the status
  // and body; a request that gets no reply reports status 418. A request that does not set
  // "Accept" or "Content-Type" is sent with "application/json" for it.
  static void SendCurlJsonRequest(CurlRequest request,
                                  std::function<void(int status, std::string body)> callback);
};
