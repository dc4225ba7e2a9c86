// The scenario statements of the web path: the local stats service's world and replies, the
// HTTP time-out and the request call's delay, and waiting for requests in flight.

#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

#include "script/named_files.h"
#include "script/scenario.h"
#include "script/statements.h"
#include "script/terminal.h"

namespace host {

namespace {

constexpr auto kSettleLimit = std::chrono::seconds(10);
constexpr auto kSettleQuiet = std::chrono::milliseconds(200);
constexpr double kLongest = 600;  // seconds of a delay or a time-out

bool parseFinite(const std::string& text, double& value) {
  const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
  auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && end != begin &&
         std::isfinite(value);
}

std::chrono::milliseconds toMilliseconds(double seconds) {
  return std::chrono::milliseconds(static_cast<long long>(std::llround(seconds * 1000)));
}

// "request: GET <path> | query <query> | <name>: <value> | ... | body <n> bytes". A query that
// is the Unix time within a second of the request's arrival reads "<now>".
std::string describe(const StatsService::Request& request) {
  std::int64_t stamp = 0;
  auto [end, error] =
      std::from_chars(request.query.data(), request.query.data() + request.query.size(), stamp);
  const bool now = error == std::errc() && end == request.query.data() + request.query.size() &&
                   !request.query.empty() && std::llabs(stamp - request.receivedAt) <= 1;
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
  if (host_) host_->setStatsUrl(statsRoute_, statsStandsIn_);
}

Session::Result Session::runWeb(const std::string& word, const std::vector<std::string>& args,
                                const std::string& where) {
  const bool local = !stats_.base().empty();
  auto needsLocal = [&] {
    return refused(where,
                   word + ": no local stats service here; start the host with --local-stats");
  };

  if (word == "stats") {
    int playlist = 0;
    double value = 0;
    if (args.size() != 2) return bad(where, word, "stats needs a playlist id and a rating");
    if (!parseInt(args[0], playlist)) {
      return bad(where, word, inQuotes(args[0]) + " is not a playlist id");
    }
    if (!parseFinite(args[1], value)) {
      return bad(where, word, inQuotes(args[1]) + " is not a finite rating");
    }
    if (!local) return needsLocal();
    stats_.setRating(playlist, value);
    return Result::Ok;
  }
  if (word == "stats-reply") {
    if (!args.empty() && args[0] == "drop") {
      if (args.size() != 1) return bad(where, word, "stats-reply drop takes nothing more");
      if (!local) return needsLocal();
      stats_.dropNext();
      return Result::Ok;
    }
    int status = 0;
    if (args.empty() || args.size() > 2) {
      return bad(where, word, "stats-reply needs a status and at most a body file, or drop");
    }
    if (!parseInt(args[0], status) || status < 200 || status > 599) {
      return bad(where, word, inQuotes(args[0]) + " is not a status from 200 to 599");
    }
    std::string body;
    if (args.size() == 2) {
      const std::filesystem::path file = named(scenarioFolder_, args[1]);
      std::string reason;
      if (!readWholeFile(file, body, reason)) {
        return refused(where, "cannot read the body file " + file.string() + ": " + reason);
      }
    }
    if (!local) return needsLocal();
    stats_.forceReply(status, std::move(body));
    return Result::Ok;
  }
  if (word == "stats-delay" || word == "http-timeout" || word == "http-send-delay") {
    double seconds = 0;
    if (args.size() != 1) return bad(where, word, word + " needs one number of seconds");
    if (!parseFinite(args[0], seconds)) {
      return bad(where, word, inQuotes(args[0]) + " is not a number of seconds");
    }
    if (word != "http-timeout") {
      if (seconds < 0 || seconds > kLongest) {
        return bad(where, word, inQuotes(args[0]) + " is not within 0 to 600 seconds");
      }
      if (word == "http-send-delay") {
        sendDelay_ = toMilliseconds(seconds);
        host().setSendDelay(sendDelay_);
        return Result::Ok;
      }
      if (!local) return needsLocal();
      stats_.setDelay(toMilliseconds(seconds));
      return Result::Ok;
    }
    if (seconds > kLongest || toMilliseconds(seconds).count() < 1) {
      return bad(where, word, inQuotes(args[0]) + " is not within 0.001 to 600 seconds");
    }
    httpTimeout_ = toMilliseconds(seconds);
    host().http().setTimeout(*httpTimeout_);
    return Result::Ok;
  }
  if (word == "stats-request") {
    if (!args.empty()) return bad(where, word, "stats-request takes no argument");
    if (!local) return needsLocal();
    const std::optional<StatsService::Request> last = stats_.lastRequest();
    output_.line(last ? describe(*last) : std::string("request: none"));
    return Result::Ok;
  }
  if (word == "settle") {
    int more = 0;
    if (args.size() > 1) return bad(where, word, "settle takes one number of requests at most");
    if (args.size() == 1 && (!parseInt(args[0], more) || more < 0)) {
      return bad(where, word, inQuotes(args[0]) + " is not a number of requests");
    }
    // A plugin sends from threads of its own, which the host cannot see: a request may still
    // be on its way to the host, for as long as a busy machine keeps its thread waiting. The
    // requests the scenario says are coming are counted in; past them, settled is quiet for a
    // while, not merely idle for a moment.
    Host& current = host();
    const long wanted = settledRequests_ + more;
    const auto start = std::chrono::steady_clock::now();
    auto quietSince = start;
    long sent = current.requestsSent();
    for (;;) {
      // Ctrl-C ends this wait as any other; the run's loop then stops between statements.
      if (stopRequested()) return Result::Ok;
      current.game().pass(0);
      const auto now = std::chrono::steady_clock::now();
      const int inFlight = current.http().inFlight();
      const bool busy = inFlight > 0 || current.requestCallsUnderWay() > 0 ||
                        current.game().hasPosted() || current.requestsSent() < wanted;
      if (busy || current.requestsSent() != sent) {
        sent = current.requestsSent();
        quietSince = now;
      } else if (now - quietSince >= kSettleQuiet) {
        settledRequests_ = sent;
        return Result::Ok;
      }
      if (now - start >= kSettleLimit) {
        // What follows would look at replies that have not come: the run cannot go on as
        // written.
        if (sent < wanted) {
          return refused(where, std::to_string(sent - settledRequests_) + " of " +
                                    std::to_string(more) +
                                    " requests sent after 10 s; the plugin sent fewer than the "
                                    "scenario waits for");
        }
        return refused(where, std::to_string(inFlight) + " request" + (inFlight == 1 ? "" : "s") +
                                  " still in flight after 10 s; the stats service answers more "
                                  "slowly than the host waits");
      }
      if (inFlight > 0) {
        current.http().waitIdle(std::chrono::milliseconds(5));
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
  }
  return bad(where, word,
             "unknown statement " + inQuotes(word) + "; \"help\" lists the statements");
}

}  // namespace host
