// The HTTP client on libcurl's multi interface: one thread performs every transfer and calls
// every callback.
//
//   Transfer     one request as the thread performs it
//   State        what the thread shares with the callers, beside the replies it keeps
//   the thread   starts what was sent, performs, hands each reply to its callback
//   HttpClient   the callers' side

#include "net/http_client.h"

#include <curl/curl.h>

#include <cassert>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "net/http_client_shared.h"

namespace host {

// ---- Transfer -------------------------------------------------------------------------------

namespace {

struct Waiting {
  std::uint64_t id;
  HttpRequest request;
  long timeoutMs;
};

struct Transfer {
  std::uint64_t id = 0;
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  std::string body;

  Transfer() = default;
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;
  ~Transfer() {
    if (easy) curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
  }
};

size_t collect(char* data, size_t size, size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  // Returning less than was offered makes libcurl end the transfer with an error.
  if (bytes > kHttpMaxBody - transfer.body.size()) return 0;
  try {
    transfer.body.append(data, bytes);
  } catch (...) {
    return 0;
  }
  return bytes;
}

HttpFailure failureOf(CURLcode result) {
  switch (result) {
    case CURLE_OK:
      return HttpFailure::None;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return HttpFailure::NotMade;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return HttpFailure::NoHost;
    case CURLE_COULDNT_CONNECT:
      return HttpFailure::Refused;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
      return HttpFailure::Secure;
    case CURLE_OPERATION_TIMEDOUT:
      return HttpFailure::TimedOut;
    case CURLE_WRITE_ERROR:  // what collect() makes of a body too large
      return HttpFailure::TooLarge;
    default:
      return HttpFailure::CutOff;
  }
}

bool prepare(Transfer& transfer, const Waiting& waiting) {
  const HttpRequest& request = waiting.request;
  if (!wellFormed(request)) return false;
  std::vector<std::string> lines;
  bool accept = false;
  for (const auto& [name, value] : request.headers) {
    // "Name;" is libcurl's way to send a header with an empty value.
    lines.push_back(value.empty() ? name + ";" : name + ": " + value);
    accept = accept || sameHeaderName(name, "Accept");
  }
  // A request carries the headers its sender set and no others: "Accept:" keeps libcurl's own
  // "Accept: */*" out, as WinHTTP sends none.
  if (!accept) lines.push_back("Accept:");
  for (const std::string& line : lines) {
    curl_slist* longer = curl_slist_append(transfer.headers, line.c_str());
    if (!longer) return false;
    transfer.headers = longer;
  }
  transfer.easy = curl_easy_init();
  if (!transfer.easy) return false;
  CURL* easy = transfer.easy;
  bool ok = curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str()) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, waiting.timeoutMs) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &collect) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer) == CURLE_OK &&
            curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer.headers) == CURLE_OK;
  if (ok && !request.body.empty()) {
    ok = curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                          static_cast<curl_off_t>(request.body.size())) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, request.body.c_str()) == CURLE_OK;
  }
  const std::string verb = !request.verb.empty() ? request.verb : request.body.empty() ? "" : "GET";
  if (ok && !verb.empty()) {
    ok = curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str()) == CURLE_OK;
  }
  return ok;
}

}  // namespace

// ---- State ----------------------------------------------------------------------------------

struct HttpClient::State : HttpReplies {
  std::deque<Waiting> waiting;  // sent, not yet started by the thread
  CURLM* multi = nullptr;       // made with the thread

  void run(CURLM* multi);
};

// ---- the thread -----------------------------------------------------------------------------

void HttpClient::State::run(CURLM* multi) {
  std::map<CURL*, std::unique_ptr<Transfer>> transfers;
  for (;;) {
    std::deque<Waiting> fresh;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (stopping) break;
      fresh.swap(waiting);
    }
    for (Waiting& next : fresh) {
      auto transfer = std::make_unique<Transfer>();
      transfer->id = next.id;
      if (!prepare(*transfer, next) || curl_multi_add_handle(multi, transfer->easy) != CURLM_OK) {
        finish(next.id, 0, std::string(), HttpFailure::NotMade);
        continue;
      }
      CURL* easy = transfer->easy;
      transfers.emplace(easy, std::move(transfer));
    }

    int active = 0;
    curl_multi_perform(multi, &active);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
      if (message->msg != CURLMSG_DONE) continue;
      CURL* easy = message->easy_handle;
      const CURLcode result = message->data.result;  // gone once the handle is removed
      long status = 0;
      if (result == CURLE_OK) curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
      curl_multi_remove_handle(multi, easy);
      auto found = transfers.find(easy);
      if (found == transfers.end()) continue;
      std::unique_ptr<Transfer> done = std::move(found->second);
      transfers.erase(found);
      const bool replied = result == CURLE_OK && status > 0;
      const HttpFailure failure = replied              ? HttpFailure::None
                                  : result == CURLE_OK ? HttpFailure::CutOff
                                                       : failureOf(result);
      finish(done->id, replied ? static_cast<int>(status) : 0,
             replied ? std::move(done->body) : std::string(), failure);
    }
    // Sleeps until a socket is ready, libcurl's own timers are due, or send() wakes it.
    curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
  }
  for (auto& [easy, transfer] : transfers) curl_multi_remove_handle(multi, easy);
}

// ---- HttpClient -----------------------------------------------------------------------------

HttpClient::HttpClient() : state_(std::make_unique<State>()) {}

bool HttpClient::send(HttpRequest request, const void* owner, HttpCallback callback) {
  State& s = static_cast<State&>(*state_);
  bool taken = false;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.takes(owner)) {
      if (!s.multi) {
        // libcurl's global set-up, once per process before its first handle.
        static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        CURLM* multi = ready ? curl_multi_init() : nullptr;
        if (multi) {
          try {
            s.thread = std::thread([&s, multi] { s.run(multi); });
            s.multi = multi;
          } catch (...) {
            curl_multi_cleanup(multi);
          }
        }
      }
      if (s.multi) {
        const std::uint64_t id = s.sent++;
        s.waiting.push_back({id, std::move(request), s.timeoutMs});
        try {
          s.pending.emplace(id, HttpReplies::Pending{owner, take(callback)});
        } catch (...) {
          s.waiting.pop_back();
          throw;
        }
        curl_multi_wakeup(s.multi);
        taken = true;
      }
    }
  }
  callback = nullptr;
  return taken;
}

void HttpClient::shutdown() {
  State& s = static_cast<State&>(*state_);
  std::thread thread;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    assert(std::this_thread::get_id() != s.thread.get_id());
    s.stopping = true;
    if (s.multi) curl_multi_wakeup(s.multi);
    thread = std::move(s.thread);
  }
  if (thread.joinable()) thread.join();
  std::map<std::uint64_t, HttpReplies::Pending> left;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    left.swap(s.pending);
    s.waiting.clear();
    if (s.multi) curl_multi_cleanup(std::exchange(s.multi, nullptr));
  }
  s.changed.notify_all();
}

}  // namespace host
