#pragma once

// Declarations only (see bakkesmodsdk.h): the request record and the request call.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bakkesmod/plugin/bakkesmodsdk.h"

// Only named here: the plugin sends no form and follows no progress.
struct FormField {};
struct CurlProgressFunction {};

struct CurlRequest {
  std::string url;
  std::string verb;
  std::map<std::string, std::string> headers;
  std::string body;
  std::vector<FormField> form_data;
  CurlProgressFunction progress_function;
};

class BAKKESMOD_PLUGIN_IMPORT HttpWrapper {
 public:
  explicit HttpWrapper() = delete;
  static void SendCurlJsonRequest(CurlRequest request,
                                  std::function<void(int status, std::string body)> callback);
};
