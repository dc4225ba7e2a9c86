#include "hostsdk/http.h"

#include <utility>

#include "describe.h"

using hostsdk::installedBackend;
using hostsdk::detail::note;
using hostsdk::detail::quoted;

void HttpWrapper::SendCurlJsonRequest(CurlRequest request,
                                      std::function<void(int, std::string)> callback) {
  note([&] {
    std::string headers;
    for (const auto& [name, value] : request.headers) {
      headers += (headers.empty() ? "" : ", ") + quoted(name) + ": " + quoted(value);
    }
    return "HttpWrapper::SendCurlJsonRequest(" + quoted(request.url) + ", {" + headers +
           "}, callback)";
  });
  hostsdk::Backend* backend = installedBackend();
  if (backend && callback) backend->sendJsonRequest(std::move(request), std::move(callback));
}
