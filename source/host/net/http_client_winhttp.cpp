// The HTTP client on WinHTTP, part of every Windows: each request is performed on a transfer
// thread of its own with WinHTTP's blocking calls, and every callback is called on the client's
// one thread, which also ends transfers that run past their time-out.
//
//   State        what the threads share with the callers, beside the replies they keep
//   transfers    one request performed, from the URL to the reply's body
//   the thread   ends overdue transfers, hands each reply to its callback
//   HttpClient   the callers' side

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "net/http_client.h"
#include "net/http_client_shared.h"

namespace host {

namespace {

using Clock = std::chrono::steady_clock;

// A transfer as the client's thread sees it.
struct Running {
  std::thread thread;
  HINTERNET request = nullptr;  // open while the transfer may block in it
  Clock::time_point deadline;
  bool cancelled = false;  // overdue or shutting down: the transfer reports no reply
};

struct Done {
  std::uint64_t id;
  int status;
  std::string body;
  HttpFailure failure;
};

// Why WinHTTP's last call on this thread failed, in the words every client uses.
HttpFailure lastFailure() {
  switch (GetLastError()) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return HttpFailure::NoHost;
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return HttpFailure::Refused;
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
      return HttpFailure::Secure;
    case ERROR_WINHTTP_TIMEOUT:
      return HttpFailure::TimedOut;
    default:
      return HttpFailure::CutOff;
  }
}

std::wstring wide(const std::string& text) {
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(std::max(size, 0)), L'\0');
  if (size > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  }
  return out;
}

}  // namespace

// ---- State ----------------------------------------------------------------------------------

struct HttpClient::State : HttpReplies {
  std::map<std::uint64_t, Running> running;  // their transfers, until joined
  std::deque<Done> done;                     // replies waiting for their callbacks
  HINTERNET session = nullptr;               // opened with the thread

  void run();
  void transfer(std::uint64_t id, const HttpRequest& request, long timeoutMs);
  // The reply to the request, or why none came: `reply` holds the request's id.
  void perform(const HttpRequest& request, long timeoutMs, Done& reply);
};

// ---- transfers ------------------------------------------------------------------------------

void HttpClient::State::perform(const HttpRequest& request, long timeoutMs, Done& reply) {
  const std::uint64_t id = reply.id;
  std::string& body = reply.body;
  HttpFailure& failure = reply.failure;
  failure = HttpFailure::NotMade;
  if (!wellFormed(request)) return;
  std::wstring headers;
  for (const auto& [name, value] : request.headers) {
    headers += wide(name + ": " + value + "\r\n");
  }

  std::wstring url = wide(request.url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return;
  const std::wstring hostName(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring target(parts.lpszUrlPath, parts.dwUrlPathLength);
  target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (target.empty()) target = L"/";
  const std::string verbText = !request.verb.empty() ? request.verb : "GET";

  const std::unique_ptr<void, decltype(&WinHttpCloseHandle)> connection(
      WinHttpConnect(session, hostName.c_str(), parts.nPort, 0), &WinHttpCloseHandle);
  if (!connection) return;
  HINTERNET opened =
      WinHttpOpenRequest(connection.get(), wide(verbText).c_str(), target.c_str(), nullptr,
                         WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                         parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
  if (!opened) return;
  {
    std::lock_guard<std::mutex> lock(mutex);
    Running& mine = running.at(id);
    if (mine.cancelled) {
      WinHttpCloseHandle(opened);
      failure = HttpFailure::TimedOut;  // overdue before it began
      return;
    }
    mine.request = opened;
  }
  // From here the client's thread may close the request to end the transfer; every call below
  // then fails, and the handle is closed once, by whoever closes it first.
  const int limit = static_cast<int>(timeoutMs);
  WinHttpSetTimeouts(opened, limit, limit, limit, limit);
  // WinHTTP's keep-alive pool would hold connections to a stand-in server past its stop.
  DWORD noKeepAlive = WINHTTP_DISABLE_KEEP_ALIVE;
  WinHttpSetOption(opened, WINHTTP_OPTION_DISABLE_FEATURE, &noKeepAlive, sizeof noKeepAlive);

  failure = HttpFailure::None;
  bool ok =
      WinHttpSendRequest(
          opened, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
          headers.empty() ? 0 : static_cast<DWORD>(-1),
          request.body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(request.body.data()),
          static_cast<DWORD>(request.body.size()), static_cast<DWORD>(request.body.size()), 0) &&
      WinHttpReceiveResponse(opened, nullptr);
  DWORD code = 0;
  DWORD codeSize = sizeof code;
  ok = ok &&
       WinHttpQueryHeaders(opened, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &code, &codeSize, WINHTTP_NO_HEADER_INDEX);
  if (!ok) failure = lastFailure();
  while (ok) {
    DWORD available = 0;
    ok = WinHttpQueryDataAvailable(opened, &available);
    if (!ok) failure = lastFailure();
    if (!ok || available == 0) break;
    if (available > kHttpMaxBody - body.size()) {
      ok = false;
      failure = HttpFailure::TooLarge;
      break;
    }
    const size_t before = body.size();
    body.resize(before + available);
    DWORD read = 0;
    ok = WinHttpReadData(opened, body.data() + before, available, &read);
    if (!ok) failure = lastFailure();
    body.resize(before + (ok ? read : 0));
  }

  // A body shorter than its length said ended early: the connection closed under it.
  DWORD length = 0;
  DWORD lengthSize = sizeof length;
  if (ok &&
      WinHttpQueryHeaders(opened, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                          WINHTTP_HEADER_NAME_BY_INDEX, &length, &lengthSize,
                          WINHTTP_NO_HEADER_INDEX) &&
      body.size() < length) {
    ok = false;
    failure = HttpFailure::CutOff;
  }

  bool cancelled = false;
  {
    std::lock_guard<std::mutex> lock(mutex);
    Running& mine = running.at(id);
    cancelled = mine.cancelled;
    if (mine.request) WinHttpCloseHandle(std::exchange(mine.request, nullptr));
  }
  // Ended by the client's thread: overdue (a shutdown calls no callback).
  if (cancelled) failure = HttpFailure::TimedOut;
  if (ok && !cancelled && code == 0) failure = HttpFailure::CutOff;
  if (ok && !cancelled && code > 0) reply.status = static_cast<int>(code);
}

void HttpClient::State::transfer(std::uint64_t id, const HttpRequest& request, long timeoutMs) {
  Done reply{id, 0, std::string(), HttpFailure::None};
  try {
    perform(request, timeoutMs, reply);
  } catch (...) {
    // No memory for the body: no reply, like a broken connection.
    reply.failure = HttpFailure::CutOff;
  }
  if (reply.failure != HttpFailure::None) reply = {id, 0, std::string(), reply.failure};
  std::lock_guard<std::mutex> lock(mutex);
  try {
    done.push_back(std::move(reply));
  } catch (...) {
    done.push_back({id, 0, std::string(), HttpFailure::CutOff});
  }
  changed.notify_all();
}

// ---- the thread -----------------------------------------------------------------------------

void HttpClient::State::run() {
  std::unique_lock<std::mutex> lock(mutex);
  while (!stopping) {
    if (done.empty()) {
      Clock::time_point next = Clock::time_point::max();
      for (const auto& [id, transfer] : running) {
        if (!transfer.cancelled) next = std::min(next, transfer.deadline);
      }
      if (next == Clock::time_point::max()) {
        changed.wait(lock);
      } else {
        changed.wait_until(lock, next);
      }
    }
    if (stopping) break;
    const Clock::time_point now = Clock::now();
    for (auto& [id, transfer] : running) {
      if (transfer.cancelled || now < transfer.deadline) continue;
      transfer.cancelled = true;
      if (transfer.request) WinHttpCloseHandle(std::exchange(transfer.request, nullptr));
    }
    if (done.empty()) continue;
    Done next = std::move(done.front());
    done.pop_front();
    std::thread finished;
    auto found = running.find(next.id);
    if (found != running.end()) {
      finished = std::move(found->second.thread);
      running.erase(found);
    }
    lock.unlock();
    // It has handed its reply over and is on its way out.
    if (finished.joinable()) finished.join();
    finish(next.id, next.status, std::move(next.body), next.failure);
    lock.lock();
  }
}

// ---- HttpClient -----------------------------------------------------------------------------

HttpClient::HttpClient() : state_(std::make_unique<State>()) {}

bool HttpClient::send(HttpRequest request, const void* owner, HttpCallback callback) {
  State& s = static_cast<State&>(*state_);
  bool taken = false;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.takes(owner)) {
      if (!s.session) {
        // No agent name: the request carries only the headers its sender set.
        HINTERNET session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                        WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
        if (session) {
          try {
            s.thread = std::thread([&s] { s.run(); });
            s.session = session;
          } catch (...) {
            WinHttpCloseHandle(session);
          }
        }
      }
      if (s.session) {
        const std::uint64_t id = s.sent++;
        const long timeoutMs = s.timeoutMs;
        // Everything that can throw comes before the transfer starts.
        auto slot = s.running.emplace(id, Running{}).first;
        try {
          s.pending.emplace(id, HttpReplies::Pending{owner, take(callback)});
          slot->second.deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
          slot->second.thread = std::thread([&s, id, timeoutMs, request = std::move(request)] {
            s.transfer(id, request, timeoutMs);
          });
        } catch (...) {
          s.running.erase(id);
          s.pending.erase(id);
          throw;
        }
        s.changed.notify_all();
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
  std::vector<std::thread> transfers;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    assert(std::this_thread::get_id() != s.thread.get_id());
    s.stopping = true;
    for (auto& [id, transfer] : s.running) {
      transfer.cancelled = true;
      if (transfer.request) WinHttpCloseHandle(std::exchange(transfer.request, nullptr));
      transfers.push_back(std::move(transfer.thread));
    }
    thread = std::move(s.thread);
  }
  s.changed.notify_all();
  if (thread.joinable()) thread.join();
  for (std::thread& transfer : transfers) {
    if (transfer.joinable()) transfer.join();
  }
  std::map<std::uint64_t, HttpReplies::Pending> left;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    left.swap(s.pending);
    s.running.clear();
    s.done.clear();
    if (s.session) WinHttpCloseHandle(std::exchange(s.session, nullptr));
  }
  s.changed.notify_all();
}

}  // namespace host
