#pragma once

// Declarations only (see bakkesmodsdk.h): the request record, as far as the plugin fills it,
// and the request call.

#include <functional>
#include <map>
#include <string>

#include "bakkesmod/plugin/bakkesmodsdk.h"

struct CurlRequest {
  std::string url;
  std::map<std::string, std::string> headers;
};

class BAKKESMOD_PLUGIN_IMPORT HttpWrapper {
 public:
  static void SendCurlJsonRequest(CurlRequest request,
                                  std::function<void(int status, std::string body)> callback);
};
