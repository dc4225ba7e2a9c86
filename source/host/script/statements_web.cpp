// The statements of the web path: the local stats service's world and replies, the HTTP
// time-out and the request call's delay, and waiting for requests in flight.

#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

#include "script/named_files.h"
#include "script/session.h"
#include "script/statements.h"
#include "script/terminal.h"

namespace host {

namespace {

constexpr auto kSettleLimit = std::chrono::seconds(10);
constexpr auto kSettleQuiet = std::chrono::milliseconds(200);
constexpr double kLongest = 600;  // seconds of a delay or a time-out

// `text` as a number of seconds from 0 to 600, a time-out's at least a millisecond; false, with
// what is wrong with it, otherwise.
bool readDelay(const std::string& text, bool timeout, std::chrono::milliseconds& delay,
               std::string& error) {
  double seconds = 0;
  if (!readNumber(text, seconds, true) || !std::isfinite(seconds)) {
    error = isNot(text, "a number of seconds");
    return false;
  }
  const long long ms = seconds < 0 || seconds > kLongest ? -1 : std::llround(seconds * 1000);
  if (ms < (timeout ? 1 : 0)) {
    error = isNot(text, timeout ? "within 0.001 to 600 seconds" : "within 0 to 600 seconds");
    return false;
  }
  delay = std::chrono::milliseconds(ms);
  return true;
}

std::string noLocalService(const Call& call) {
  return call.statement.name +
         std::string(": no local stats service here; start the host with --local-stats");
}

// "request: GET <path> | query <query> | <name>: <value> | ... | body <n> bytes". A query that
// is the Unix time within a second of the request's arrival reads "<now>".
std::string describe(const StatsService::Request& request) {
  std::int64_t stamp = 0;
  const bool now = readNumber(request.query, stamp) && std::llabs(stamp - request.receivedAt) <= 1;
  std::string text = "request: " + request.method + " " + request.path + " | query " +
                     (now ? std::string("<now>") : request.query);
  for (const auto& [name, value] : request.headers) text += " | " + name + ": " + value;
  return text + " | body " + std::to_string(request.bodySize) + " bytes";
}

}  // namespace

void Session::serveStatsLocally() {
  std::string error;
  if (!stats_.start(error)) {
    output_.error(error + "; requests to the stats service go unanswered");
    statsRoute_ = "http://127.0.0.1:0";
  } else {
    statsRoute_ = stats_.base();
  }
  statsStandsIn_ = true;
  if (host_) host_->web().setStatsUrl(statsRoute_, statsStandsIn_);
}

Session::Result Session::stats(const Call& call) {
  int playlist = 0;
  double value = 0;
  if (!readNumber(call.args[0], playlist)) return bad(call, isNot(call.args[0], "a playlist id"));
  if (!readNumber(call.args[1], value, true) || !std::isfinite(value)) {
    return bad(call, isNot(call.args[1], "a finite rating"));
  }
  if (stats_.base().empty()) return refused(call.where, noLocalService(call));
  stats_.setRating(playlist, value);
  return Result::Ok;
}

Session::Result Session::statsReply(const Call& call) {
  const std::vector<std::string>& args = call.args;
  const bool local = !stats_.base().empty();
  if (args[0] == "drop") {
    if (args.size() != 1) return bad(call, "stats-reply drop takes nothing more");
    if (!local) return refused(call.where, noLocalService(call));
    stats_.dropNext();
    return Result::Ok;
  }
  int status = 0;
  if (args.size() > 2) return misused(call);
  if (!readNumber(args[0], status) || status < 200 || status > 599) {
    return bad(call, isNot(args[0], "a status from 200 to 599"));
  }
  std::string body;
  if (args.size() == 2) {
    const std::filesystem::path file = named(scenarioFolder_, args[1]);
    std::string reason;
    if (!readWholeFile(file, body, reason)) {
      return refused(call.where, "cannot read the body file " + file.string() + ": " + reason);
    }
  }
  if (!local) return refused(call.where, noLocalService(call));
  stats_.forceReply(status, std::move(body));
  return Result::Ok;
}

Session::Result Session::statsDelay(const Call& call) {
  std::chrono::milliseconds delay{0};
  std::string error;
  if (!readDelay(call.args[0], false, delay, error)) return bad(call, error);
  if (stats_.base().empty()) return refused(call.where, noLocalService(call));
  stats_.setDelay(delay);
  return Result::Ok;
}

Session::Result Session::httpTimeout(const Call& call) {
  std::chrono::milliseconds timeout{0};
  std::string error;
  if (!readDelay(call.args[0], true, timeout, error)) return bad(call, error);
  httpTimeout_ = timeout;
  host().http().setTimeout(timeout);
  return Result::Ok;
}

Session::Result Session::httpSendDelay(const Call& call) {
  std::string error;
  if (!readDelay(call.args[0], false, sendDelay_, error)) return bad(call, error);
  host().web().setSendDelay(sendDelay_);
  return Result::Ok;
}

Session::Result Session::statsRequest(const Call& call) {
  if (stats_.base().empty()) return refused(call.where, noLocalService(call));
  const std::optional<StatsService::Request> last = stats_.lastRequest();
  output_.line(last ? describe(*last) : std::string("request: none"));
  return Result::Ok;
}

Session::Result Session::settle(const Call& call) {
  int more = 0;
  if (call.args.size() == 1 && (!readNumber(call.args[0], more) || more < 0)) {
    return bad(call, isNot(call.args[0], "a number of requests"));
  }
  // A plugin sends from threads the host cannot see: a request may still be on its way, for as
  // long as a busy machine keeps its thread waiting. Past the requests the scenario says are
  // coming, settled is quiet for a while, not merely idle for a moment.
  Host& current = host();
  const long wanted = settledRequests_ + more;
  const auto start = std::chrono::steady_clock::now();
  auto quietSince = start;
  long sent = current.web().requestsSent();
  for (;;) {
    // Ctrl-C ends this wait as any other; the run's loop then stops between statements.
    if (stopRequested()) return Result::Ok;
    current.game().pass(0);
    const auto now = std::chrono::steady_clock::now();
    const int inFlight = current.http().inFlight();
    const bool busy = inFlight > 0 || current.web().requestCallsUnderWay() > 0 ||
                      current.game().hasPosted() || current.web().requestsSent() < wanted;
    if (busy || current.web().requestsSent() != sent) {
      sent = current.web().requestsSent();
      quietSince = now;
    } else if (now - quietSince >= kSettleQuiet) {
      settledRequests_ = sent;
      return Result::Ok;
    }
    if (now - start >= kSettleLimit) {
      // What follows would look at replies that have not come: the run cannot go on as written.
      if (sent < wanted) {
        return refused(call.where, std::to_string(sent - settledRequests_) + " of " +
                                       std::to_string(more) +
                                       " requests sent after 10 s; the plugin sent fewer than the "
                                       "scenario waits for");
      }
      return refused(call.where, std::to_string(inFlight) + " request" +
                                     (inFlight == 1 ? "" : "s") +
                                     " still in flight after 10 s; the stats service answers more "
                                     "slowly than the host waits");
    }
    away([&] {
      if (inFlight > 0) {
        current.http().waitIdle(std::chrono::milliseconds(5));
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
  }
}

}  // namespace host
