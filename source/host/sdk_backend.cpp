// The host's side of every SDK call: thin forwarding to the console, the game thread, the
// rating service and the HTTP client, on behalf of the plugin that called. Plugin code on the
// render thread may only draw, hand work over (Execute) and send requests: every other call is
// refused there.

#include "host.h"

#include <algorithm>

#include "loader.h"
#include "net/stats_service.h"

namespace host {

namespace {

constexpr int kNoReplyStatus = 418;

}  // namespace

template <typename Callable>
Callable Host::kept(const PluginSlot* owner, Callable call, const char* what) {
  if (!owner || !owner->code) return call;
  return keptCallable(owner->code, std::move(call), what);
}

void Host::noteCall(const std::function<std::string()>& describe) {
  ++callsMade_;
  if (output_.tracing()) output_.trace(Clock::format(clock_.now()) + " " + describe());
}

hostsdk::Variable* Host::registerCvar(PluginSlot*, const hostsdk::CvarDeclaration& declared) {
  if (refusedOnRenderThread("CVarManagerWrapper::registerCvar")) return nullptr;
  if (declared.name.empty()) return nullptr;
  return console_.registerVariable(declared);
}

hostsdk::Variable* Host::findCvar(const std::string& name) {
  if (refusedOnRenderThread("CVarManagerWrapper::getCvar")) return nullptr;
  return console_.find(name);
}

std::string Host::cvarName(const hostsdk::Variable* variable) {
  if (refusedOnRenderThread("CVarWrapper::getCVarName")) return {};
  return variable->declared.name;
}

std::string Host::cvarValue(const hostsdk::Variable* variable) {
  if (refusedOnRenderThread("a CVarWrapper's value")) return {};
  return variable->value;
}

void Host::setCvar(hostsdk::Variable* variable, const std::string& value) {
  if (refusedOnRenderThread("CVarWrapper::setValue")) return;
  std::string error;
  if (!console_.set(*variable, value, error)) output_.error(error);
}

void Host::bindCvar(PluginSlot* owner, hostsdk::Variable* variable, hostsdk::Cell cell) {
  if (refusedOnRenderThread("CVarWrapper::bindTo")) return;
  console_.bind(owner, *variable, std::move(cell));
}

void Host::addCvarListener(PluginSlot* owner, hostsdk::Variable* variable,
                           hostsdk::ChangeCallback callback) {
  if (refusedOnRenderThread("CVarWrapper::addOnValueChanged")) return;
  console_.listen(owner, *variable, std::move(callback));
}

void Host::registerCommand(PluginSlot* owner, const std::string& name,
                           hostsdk::CommandCallback callback, const std::string& description,
                           unsigned char permissions) {
  if (refusedOnRenderThread("CVarManagerWrapper::registerNotifier")) return;
  console_.addCommand(owner, name, std::move(callback), description, permissions);
}

void Host::executeCommand(PluginSlot*, const std::string& line, bool) {
  if (refusedOnRenderThread("CVarManagerWrapper::executeCommand")) return;
  output_.line("command: " + line);
  // One callback at a time: a command issued from plugin code runs once that code returned.
  calls_.defer([this, line] { console_.execute(line); });
}

void Host::hookEvent(PluginSlot* owner, const std::string& name, hostsdk::HookCallback callback) {
  if (refusedOnRenderThread("GameWrapper::HookEvent")) return;
  game_.hook(owner, name, kept(owner, std::move(callback), "hook"));
}

void Host::unhookEvent(PluginSlot* owner, const std::string& name) {
  if (refusedOnRenderThread("GameWrapper::UnhookEvent")) return;
  game_.unhook(owner, name);
}

void Host::setTimeout(PluginSlot* owner, hostsdk::GameCallback callback, float seconds) {
  if (refusedOnRenderThread("GameWrapper::SetTimeout")) return;
  std::shared_ptr<GameWrapper> game = owner ? owner->gameWrapper : nullptr;
  game_.setTimeout(
      owner, [callback = kept(owner, std::move(callback), "timer"), game] { callback(game.get()); },
      seconds);
}

void Host::execute(PluginSlot* owner, hostsdk::GameCallback callback) {
  // Any thread: the slot is read only while it is known loaded. A plugin that is not (one
  // unloaded, calling through a wrapper it kept) posts nothing.
  std::shared_ptr<PluginCode> code;
  std::shared_ptr<GameWrapper> game;
  {
    std::lock_guard<std::mutex> lock(sharedMutex_);
    for (const Loaded& loaded : libraries_) {
      if (owner && loaded.slot == owner) {
        code = loaded.code;
        game = owner->gameWrapper;
      }
    }
  }
  if (owner && !code) return;
  if (code) callback = keptCallable(std::move(code), std::move(callback), "posted callable");
  game_.post(owner,
             [callback = std::move(callback), game = std::move(game)] { callback(game.get()); });
}

UniqueIDWrapper Host::localPlayer() {
  if (refusedOnRenderThread("GameWrapper::GetUniqueID")) return {};
  return ratings_.player();
}

std::uint64_t Host::addRatingListener(PluginSlot* owner, hostsdk::RatingCallback callback) {
  if (refusedOnRenderThread("MMRWrapper::RegisterMMRNotifier")) return 0;
  return ratings_.listen(owner, kept(owner, std::move(callback), "rating registration"));
}

void Host::removeRatingListener(std::uint64_t registration) {
  if (refusedOnRenderThread("MMRNotifierToken::~MMRNotifierToken")) return;
  ratings_.stopListening(registration);
}

int Host::currentPlaylist() {
  if (refusedOnRenderThread("MMRWrapper::GetCurrentPlaylist")) return 0;
  return ratings_.playlist();
}

bool Host::isSyncing(const UniqueIDWrapper& id) {
  if (refusedOnRenderThread("MMRWrapper::IsSyncing")) return false;
  return ratings_.isSyncing(id);
}

bool Host::isSynced(const UniqueIDWrapper& id, int playlist) {
  if (refusedOnRenderThread("MMRWrapper::IsSynced")) return false;
  return ratings_.isSynced(id, playlist);
}

float Host::playerRating(const UniqueIDWrapper& id, int playlist) {
  if (refusedOnRenderThread("MMRWrapper::GetPlayerMMR")) return 0.0f;
  return ratings_.rating(id, playlist);
}

bool Host::refusedOnRenderThread(const char* call) {
  if (!gui_.onRenderThread()) return false;
  const PluginSlot* caller = gui_.calling();
  output_.error((caller ? caller->name : std::string("plugin")) + ": " + call +
                " on the render thread: the game would crash; GameWrapper::Execute hands work "
                "to the game thread");
  return true;
}

void Host::setStatsUrl(const std::string& base, bool standsIn) {
  std::lock_guard<std::mutex> lock(sharedMutex_);
  statsUrl_ = base;
  statsStandsIn_ = standsIn;
}

std::string Host::routed(const std::string& url, std::string& named) const {
  const std::string origin = kPublicStatsOrigin;
  std::lock_guard<std::mutex> lock(sharedMutex_);
  const bool toService = url.compare(0, origin.size(), origin) == 0 &&
                         (url.size() == origin.size() || url[origin.size()] == '/');
  const std::string sent =
      toService && !statsUrl_.empty() ? statsUrl_ + url.substr(origin.size()) : url;
  named = statsStandsIn_ ? url : sent;
  return sent;
}

namespace {

// An address in the host's own code, to tell its module by.
const char kInHost = 0;

}  // namespace

Host::Caller Host::callerAt(const void* address) const {
  const void* module = moduleHolding(address);
  if (!module || module == moduleHolding(&kInHost)) return {nullptr, "plugin", nullptr};
  // A loaded plugin before a closed load: a load that maps a closed one again is that one.
  const Loaded* closed = nullptr;
  for (const Loaded& loaded : libraries_) {
    if (loaded.code->module() != module) continue;
    if (loaded.slot) return {loaded.slot, loaded.slot->name, loaded.code};
    closed = &loaded;
  }
  if (closed) return {nullptr, closed->code->plugin(), closed->code};
  return {nullptr, "plugin", nullptr};
}

void Host::setSendDelay(std::chrono::milliseconds delay) {
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    sendDelay_ = delay;
  }
  sendWake_.notify_all();
}

int Host::requestCallsUnderWay() const {
  std::lock_guard<std::mutex> lock(sendMutex_);
  return requestCallsInside_.load() - requestCallsDelayed_;
}

void Host::waitSendDelay() {
  // Measured from the call's start with the delay as it is now: a new delay, zero included,
  // applies to the calls already waiting.
  const auto start = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> lock(sendMutex_);
  ++requestCallsDelayed_;
  while (!closing_ && std::chrono::steady_clock::now() < start + sendDelay_) {
    sendWake_.wait_until(lock, start + sendDelay_);
  }
  --requestCallsDelayed_;
}

void Host::sendJsonRequest(const void* caller, CurlRequest request,
                           hostsdk::ReplyCallback callback) {
  ++requestCallsInside_;
  struct Leaving {
    std::atomic<int>& inside;
    ~Leaving() { --inside; }
  } leaving{requestCallsInside_};
  waitSendDelay();
  // The SDK's own headers, for a request that does not set them.
  for (const char* name : {"Accept", "Content-Type"}) {
    const bool set =
        std::any_of(request.headers.begin(), request.headers.end(),
                    [&](const auto& header) { return sameHeaderName(header.first, name); });
    if (!set) request.headers.emplace(name, "application/json");
  }
  const std::string url = request.url;
  std::string named;
  HttpRequest outgoing{routed(url, named),
                       request.verb,
                       {request.headers.begin(), request.headers.end()},
                       std::move(request.body)};
  if (output_.tracing()) {
    output_.trace(Clock::format(clock_.now()) +
                  " http: " + (outgoing.verb.empty() ? std::string("GET") : outgoing.verb) + " " +
                  url + (outgoing.url != url ? " via " + outgoing.url : std::string()));
  }
  // Who sent it and its sending, under one lock against the unload: a plugin's request reaches
  // the host either before the unload deals with the plugin's requests, or after it as a closed
  // load's, whose reply then runs only while the library is still mapped.
  std::unique_lock<std::mutex> lock(sharedMutex_);
  const Caller sender = callerAt(caller);
  const std::string who = sender.name;
  if (sender.code) callback = keptCallable(sender.code, std::move(callback), "reply");
  // A plugin keeps quiet about a lookup that failed; the host says why, once, without the query
  // (a time stamp, in the stats service's case).
  const std::string asked = named.substr(0, named.find('?'));
  const std::chrono::milliseconds timeout = http_.timeout();
  auto reply = [this, url, asked, timeout, who, callback = std::move(callback)](
                   int status, std::string body, HttpFailure failure) {
    // As the SDK reports it: a request that got no reply is status 418.
    if (failure != HttpFailure::None) status = kNoReplyStatus;
    if (output_.tracing()) {
      output_.trace(Clock::format(clock_.now()) + " http: " + url + " -> " +
                    std::to_string(status) + ", " + std::to_string(body.size()) + " bytes");
    }
    if (failure != HttpFailure::None) {
      output_.line("http: " + asked + ": " + describe(failure, timeout));
    } else if (status < 200 || status > 299) {
      output_.line("http: " + asked + ": answered with status " + std::to_string(status));
    }
    try {
      callback(status, std::move(body));
    } catch (const std::exception& error) {
      output_.error(who + ": " + error.what());
    } catch (...) {
      output_.error(who + ": unknown exception");
    }
  };
  const bool taken = http_.send(std::move(outgoing), sender.plugin, std::move(reply));
  lock.unlock();
  // Counted once the client holds it: a count that has reached N with nothing in flight means
  // N requests done.
  ++requestsSent_;
  if (!taken && output_.tracing()) {
    output_.trace(Clock::format(clock_.now()) + " http: " + url +
                  " refused: the host takes no more requests of " + who);
  }
}

}  // namespace host
