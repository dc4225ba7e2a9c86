// The host's HTTP client against the local stats service: what each kind of reply reaches the
// callback as, and the owner rules that keep unloaded code from running.

#include "net/http_client.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "harness.h"
#include "net/stats_service.h"

using namespace std::chrono_literals;

namespace {

struct Reply {
  int status = -1;
  std::string body;
  host::HttpFailure failure = host::HttpFailure::None;
  std::thread::id thread;
};

struct ClientFixture : ::testing::Test {
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(service.start(error)) << error;
    service.setPlayer("steam", "7656");
    service.setRating(11, 1000);
  }

  std::string profileUrl() const {
    return service.base() + host::kStatsProfilePath + "steam/7656?1";
  }

  // Sends one request and waits for its reply.
  Reply fetch(host::HttpRequest request) {
    auto promise = std::make_shared<std::promise<Reply>>();
    std::future<Reply> reply = promise->get_future();
    EXPECT_TRUE(client.send(
        std::move(request), nullptr,
        [promise](int status, std::string body, host::HttpFailure failure) {
          promise->set_value({status, std::move(body), failure, std::this_thread::get_id()});
        }));
    if (reply.wait_for(20s) != std::future_status::ready) {
      ADD_FAILURE() << "no reply";
      return {};
    }
    return reply.get();
  }

  // The request to a listener of the test's own, as it arrives on the wire; `request.url` is
  // the path. The listener answers an empty 200.
  std::string onTheWire(host::HttpRequest request) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      ADD_FAILURE() << "no listener";
      if (listener >= 0) close(listener);
      return {};
    }
    request.url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + request.url;
    auto replied = std::make_shared<std::promise<void>>();
    client.send(std::move(request), nullptr,
                [replied](int, std::string, host::HttpFailure) { replied->set_value(); });
    std::string text;
    pollfd waiting{listener, POLLIN, 0};
    const int connection = poll(&waiting, 1, 10000) == 1 ? accept(listener, nullptr, nullptr) : -1;
    char buffer[4096];
    while (connection >= 0 && text.find("\r\n\r\n") == std::string::npos) {
      const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      text.append(buffer, static_cast<size_t>(got));
    }
    static constexpr char kEmpty[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
    if (connection >= 0) {
      send(connection, kEmpty, sizeof kEmpty - 1, MSG_NOSIGNAL);
      close(connection);
    }
    close(listener);
    EXPECT_EQ(replied->get_future().wait_for(20s), std::future_status::ready);
    return text;
  }

  host::StatsService service;
  host::HttpClient client;
};

}  // namespace

TEST_F(ClientFixture, EachKindOfReplyReachesTheCallbackOnTheClientsThread) {
  const std::string atLimit(host::kHttpMaxBody, 'x');
  const std::string big(host::kHttpMaxBody + 1, 'x');
  struct Row {
    const char* what;
    std::function<void()> arrange;
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    int status;
    std::string body;      // "*": any non-empty body
    std::string why = {};  // what the host's http: line says when no reply came
  };
  const std::string profile = profileUrl();
  // Gopher sends the path as it is: a request to the service that no row may get through.
  const std::string smuggling =
      "gopher://" + service.base().substr(7) + "/_GET%20/smuggled%20HTTP/1.0%0D%0A%0D%0A";
  const Row rows[] = {
      {"the profile", [] {}, profile, {}, 200, "*"},
      {"another player",
       [] {},
       service.base() + host::kStatsProfilePath + "steam/7657",
       {},
       404,
       "*"},
      {"a forced 429 with a body",
       [&] { service.forceReply(429, "slow down"); },
       profile,
       {},
       429,
       "slow down"},
      {"a forced 500 without one", [&] { service.forceReply(500, ""); }, profile, {}, 500, ""},
      {"a dropped connection",
       [&] { service.dropNext(); },
       profile,
       {},
       0,
       "",
       "the connection ended before a whole reply"},
      {"a reply slower than the time-out",
       [&] {
         service.setDelay(10min);
         client.setTimeout(300ms);
       },
       profile,
       {},
       0,
       "",
       "no reply within 0.3 s"},
      {"a body of exactly what the client takes",
       [&] {
         service.setDelay(0ms);
         client.setTimeout(host::kHttpDefaultTimeout);
         service.forceReply(200, atLimit);
       },
       profile,
       {},
       200,
       "*"},
      {"a body larger than the client takes",
       [&] {
         service.setDelay(0ms);
         client.setTimeout(host::kHttpDefaultTimeout);
         service.forceReply(200, big);
       },
       profile,
       {},
       0,
       "",
       "the reply was larger than 8 MB"},
      {"nothing listening", [] {}, "http://127.0.0.1:1/", {}, 0, "", "the connection was refused"},
      {"a host name not found",
       [] {},
       "http://rankwatch.invalid/",
       {},
       0,
       "",
       "the host's name was not found"},
      {"a scheme other than HTTP",
       [] {},
       "file:///etc/hostname",
       {},
       0,
       "",
       "not a request that can be made"},
      {"  that would carry a request of its own to the service",
       [] {},
       smuggling,
       {},
       0,
       "",
       "not a request that can be made"},
      {"a malformed URL",
       [] {},
       "http://127.0.0.1:0:0/a b",
       {},
       0,
       "",
       "not a request that can be made"},
      {"a header value with a line break",
       [] {},
       profile,
       {{"X-A", "1\r\nX-B: 2"}},
       0,
       "",
       "not a request that can be made"},
      {"a header name with a colon",
       [] {},
       profile,
       {{"X-A: 1", "2"}},
       0,
       "",
       "not a request that can be made"},
  };
  for (const Row& row : rows) {
    row.arrange();
    Reply reply = fetch({row.url, "", row.headers, ""});
    EXPECT_EQ(reply.status, row.status) << row.what;
    EXPECT_EQ(reply.failure == host::HttpFailure::None
                  ? ""
                  : host::describe(reply.failure, client.timeout()),
              row.why)
        << row.what;
    if (row.body == "*") {
      EXPECT_FALSE(reply.body.empty()) << row.what;
    } else {
      EXPECT_EQ(reply.body, row.body) << row.what;
    }
    EXPECT_NE(reply.thread, std::this_thread::get_id()) << row.what;
    const auto seen = service.lastRequest();
    EXPECT_FALSE(seen && seen->path == "/smuggled") << row.what;
  }
}

TEST_F(ClientFixture, TheRequestGoesOutAsMade) {
  Reply reply = fetch({profileUrl(), "", {{"Cache-Control", "no-cache"}, {"X-Two", "a b"}}, ""});
  EXPECT_EQ(reply.status, 200);
  auto seen = service.lastRequest();
  ASSERT_TRUE(seen);
  EXPECT_EQ(seen->method, "GET");
  EXPECT_EQ(seen->path, std::string(host::kStatsProfilePath) + "steam/7656");
  EXPECT_EQ(seen->query, "1");
  EXPECT_EQ(seen->headers, (std::vector<std::pair<std::string, std::string>>{
                               {"Cache-Control", "no-cache"}, {"X-Two", "a b"}}));
  EXPECT_EQ(seen->bodySize, 0u);

  EXPECT_EQ(fetch({profileUrl(), "POST", {}, "abc"}).status, 404);
  EXPECT_EQ(service.lastRequest()->method, "POST");
  EXPECT_EQ(service.lastRequest()->bodySize, 3u);

  // The service's server library drops a header without a value: the wire shows it went out.
  const std::string wire = onTheWire({"/", "", {{"X-Empty", ""}, {"X-Two", "a b"}}, ""});
  EXPECT_NE(wire.find("\r\nX-Empty:\r\nX-Two: a b\r\n"), std::string::npos) << wire;
}

TEST_F(ClientFixture, RequestsAreServedAtOnceNotOneAfterAnother) {
  // Every reply held back: sent one after another, the second would not be asked before the
  // first came back.
  service.setDelay(10min);
  std::atomic<int> replies{0};
  for (int i = 0; i < 3; ++i) {
    client.send({profileUrl(), "", {}, ""}, nullptr,
                [&](int status, std::string, host::HttpFailure) {
                  if (status == 200) ++replies;
                });
  }
  EXPECT_EQ(client.inFlight(), 3);
  EXPECT_TRUE(testing_support::until([&] { return service.received() == 3; }));
  service.setDelay(0ms);
  EXPECT_TRUE(client.waitIdle(10s));
  EXPECT_EQ(replies, 3);
  EXPECT_EQ(client.inFlight(), 0);
}

TEST_F(ClientFixture, AForgottenOwnersRepliesAreDroppedUncalledAndItsRequestsRefused) {
  int ownerA = 0;
  int ownerB = 0;
  client.admit(&ownerA);
  client.admit(&ownerB);
  service.setDelay(10min);                // in flight until let go below
  auto token = std::make_shared<int>(0);  // counts the callbacks alive
  std::atomic<int> calledA{0};
  std::atomic<int> calledB{0};
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(client.send({profileUrl(), "", {}, ""}, &ownerA,
                            [&, token](int, std::string, host::HttpFailure) { ++calledA; }));
  }
  ASSERT_TRUE(client.send({profileUrl(), "", {}, ""}, &ownerB,
                          [&, token](int, std::string, host::HttpFailure) { ++calledB; }));
  EXPECT_EQ(client.forget(&ownerA), 2);
  EXPECT_EQ(token.use_count(), 2) << "A's callbacks are gone at once";
  EXPECT_FALSE(client.send({profileUrl(), "", {}, ""}, &ownerA,
                           [&, token](int, std::string, host::HttpFailure) { ++calledA; }));
  EXPECT_EQ(token.use_count(), 2) << "a refused callback is not kept";
  EXPECT_EQ(client.inFlight(), 3) << "the dropped transfers still run";
  service.setDelay(0ms);
  ASSERT_TRUE(client.waitIdle(10s));
  EXPECT_EQ(calledA, 0);
  EXPECT_EQ(calledB, 1);
  EXPECT_EQ(token.use_count(), 1);
}

TEST_F(ClientFixture, ForgettingAnOwnerLeavesItsRunningCallbackToFinish) {
  int owner = 0;
  client.admit(&owner);
  std::mutex mutex;
  std::condition_variable changed;
  bool started = false;
  bool release = false;
  std::atomic<bool> finished{false};
  client.send({profileUrl(), "", {}, ""}, &owner, [&](int, std::string, host::HttpFailure) {
    std::unique_lock<std::mutex> lock(mutex);
    started = true;
    changed.notify_all();
    changed.wait(lock, [&] { return release; });
    finished = true;
  });
  {
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, 10s, [&] { return started; }));
  }
  // Returns while the callback still runs (it waits for `release`), which then finishes.
  EXPECT_EQ(client.forget(&owner), 0);
  EXPECT_FALSE(finished);
  {
    std::lock_guard<std::mutex> lock(mutex);
    release = true;
  }
  changed.notify_all();
  ASSERT_TRUE(client.waitIdle(10s));
  EXPECT_TRUE(finished);
}

TEST_F(ClientFixture, ShutdownEndsTransfersAndDestroysCallbacksUncalled) {
  // Held back far past the test's time-out, should shutdown wait for them.
  service.setDelay(10min);
  auto token = std::make_shared<int>(0);
  std::atomic<int> called{0};
  for (int i = 0; i < 3; ++i) {
    client.send({profileUrl(), "", {}, ""}, nullptr,
                [&, token](int, std::string, host::HttpFailure) { ++called; });
  }
  client.shutdown();
  EXPECT_EQ(token.use_count(), 1);
  EXPECT_EQ(client.inFlight(), 0);
  EXPECT_FALSE(client.send({profileUrl(), "", {}, ""}, nullptr,
                           [&, token](int, std::string, host::HttpFailure) { ++called; }));
  EXPECT_EQ(called, 0);
}
