// HttpWrapper: requests, forwarded to the host's backend with the calling plugin named.

#include "hostsdk/http.h"

#include <utility>

#include "describe.h"

#if defined(_MSC_VER)
#include <intrin.h>
#define HOSTSDK_RETURN_ADDRESS() _ReturnAddress()
#else
#define HOSTSDK_RETURN_ADDRESS() __builtin_return_address(0)
#endif

using hostsdk::detail::quoted;

void HttpWrapper::SendCurlJsonRequest(CurlRequest request,
                                      std::function<void(int, std::string)> callback) {
  const hostsdk::detail::HeldBackend held;
  hostsdk::Backend* backend = held.get();
  if (!backend) return;
  backend->noteCall([&] {
    std::string headers;
    for (const auto& [name, value] : request.headers) {
      headers += (headers.empty() ? "" : ", ") + quoted(name) + ": " + quoted(value);
    }
    return "HttpWrapper::SendCurlJsonRequest(" + quoted(request.url) + ", {" + headers +
           "}, callback)";
  });
  // Where this call returns to is in the sender's code. Both arguments are destroyed by the
  // caller after the call, so the sender cannot have left by a tail call.
  const void* caller = HOSTSDK_RETURN_ADDRESS();
  if (callback) backend->sendJsonRequest(caller, std::move(request), std::move(callback));
}
