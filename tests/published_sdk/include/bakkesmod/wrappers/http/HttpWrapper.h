#pragma once

// Declarations only (see bakkesmodsdk.h): the request record and the request call.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bakkesmod/plugin/bakkesmodsdk.h"

typedef std::function<void(double download_size, double downloaded, double upload_size,
                           double uploaded)>
    CurlProgressFunction;

struct FormField {
  enum class Type { kString, kFile };
  Type field_type;
  std::string data;
  std::string name;
};

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
  static void SendCurlJsonRequest(CurlRequest request,
                                  std::function<void(int status, std::string body)> callback);
};
