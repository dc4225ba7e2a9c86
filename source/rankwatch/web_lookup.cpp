#include "web_lookup.h"

#include <atomic>
#include <ctime>
#include <list>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "playlists.h"
#include "rankwatch.h"
#include "web_reply.h"

namespace {

constexpr char kProfilePath[] = "/api/v2/rocket-league/standard/profile/";

// Workers are never waited for while the plugin runs, and never detached: a detached thread can
// still be returning through this library's code when the host unloads it. Each new worker
// first joins the ones that have finished; the library's release joins the rest.
class Workers {
 public:
  ~Workers() { joinAll(); }

  void start(WebLookupJob job) {
    // The list node is made before the thread, and the lock taken: once the thread runs,
    // nothing is left that can throw.
    std::list<Worker> fresh;
    fresh.emplace_back();
    std::atomic<bool>* done = &fresh.back().done;
    std::lock_guard<std::mutex> lock(mutex_);
    fresh.back().thread = std::thread([this, done, job = std::move(job)]() mutable {
      try {
        reapFinished();
        fetchWebMmr(std::move(job));
      } catch (...) {
        // Out of memory on the way: this lookup is lost, like one that got no reply.
      }
      done->store(true);
    });
    running_.splice(running_.end(), fresh);
  }

  void joinAll() {
    for (;;) {
      std::list<Worker> left;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        left.swap(running_);
      }
      if (left.empty()) return;
      for (Worker& worker : left) worker.thread.join();
    }
  }

 private:
  struct Worker {
    std::thread thread;
    std::atomic<bool> done{false};
  };

  // A worker that has set its flag may still be on its way out: joining it can wait a moment,
  // which a worker can afford and a frame cannot.
  void reapFinished() {
    std::list<Worker> finished;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto it = running_.begin(); it != running_.end();) {
        auto next = std::next(it);
        if (it->done.load()) finished.splice(finished.end(), running_, it);
        it = next;
      }
    }
    for (Worker& worker : finished) worker.thread.join();
  }

  std::mutex mutex_;
  std::list<Worker> running_;
};

Workers workers;

bool unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// Console players' names hold blanks, and any id may hold "/", "?" or "#", which would
// change the request's path or query.
std::string percentEncoded(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (unreserved(byte)) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

}  // namespace

const char* platformWord(int onlinePlatform) {
  return onlinePlatform == 1 ? "steam" : "epic";
}

std::string webProfileUrl(const std::string& platform, const std::string& playerId,
                          std::int64_t unixTime) {
  const auto seconds = static_cast<std::int32_t>(static_cast<std::uint32_t>(unixTime));
  return std::string(kStatsServiceOrigin) + kProfilePath + platform + "/" +
         percentEncoded(playerId) + "?" + std::to_string(seconds);
}

void startWebLookup(WebLookupJob job) {
  workers.start(std::move(job));
}

void joinWebLookups() {
  workers.joinAll();
}

void fetchWebMmr(WebLookupJob job) {
  CurlRequest request;
  request.url = webProfileUrl(job.platform, job.playerId, std::time(nullptr));
  request.headers["Cache-Control"] = "no-cache";
  WebReplyTarget target{job.plugin, std::move(job.alive), std::move(job.game),
                        playlists::isWebRated(job.trackedPlaylist) ? job.trackedPlaylist : 0};
  HttpWrapper::SendCurlJsonRequest(request,
                                   [target = std::move(target)](int status, std::string body) {
                                     onWebMmrReply(target, status, std::move(body));
                                   });
}

void onWebMmrReply(const WebReplyTarget& target, int status, std::string body) {
  try {
    const std::optional<float> rating = readWebReply(status, body, target.wantedPlaylist);
    if (!rating || !target.game) return;
    // The tally is the game thread's: only the rating crosses over, and it is applied there
    // only while the object lives.
    target.game->Execute(
        [plugin = target.plugin, alive = target.alive, mmr = *rating](GameWrapper*) {
          if (!alive.expired()) plugin->applyMmr(mmr);
        });
  } catch (...) {
    // No memory to hand the rating over: the reply is lost, like one that never came.
  }
}
