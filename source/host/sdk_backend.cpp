// The host's side of every SDK call, forwarded to the console, the game thread, the rating
// service or the web routing for the plugin that called. Plugin code on the render thread may
// only draw, hand work over (Execute) and send requests: every other call is refused there. A
// call made after the plugin's onUnload has returned is told and goes no further. Calls from
// threads other than the game thread take a turn of its own (game_turn.h).

#include "host.h"

namespace host {

namespace {

// The plugin's callable as the host keeps it (plugin_code.h).
template <typename Callable>
Callable kept(const PluginSlot* owner, Callable call, const char* what) {
  if (!owner || !owner->code) return call;
  return keptCallable(owner->code, std::move(call), what);
}

}  // namespace

void Host::noteCall(const std::function<std::string()>& describe) {
  ++callsMade_;
  output_.trace(clock_, describe);
}

hostsdk::Variable* Host::registerCvar(PluginSlot* owner, const hostsdk::CvarDeclaration& declared) {
  if (refused(owner, "CVarManagerWrapper::registerCvar")) return nullptr;
  if (declared.name.empty()) return nullptr;
  const auto turn = turn_.take();
  return console_.registerVariable(declared, owner);
}

hostsdk::Variable* Host::findCvar(PluginSlot* owner, const std::string& name) {
  if (refused(owner, "CVarManagerWrapper::getCvar")) return nullptr;
  const auto turn = turn_.take();
  return console_.find(name);
}

std::string Host::cvarName(PluginSlot* owner, const hostsdk::Variable* variable) {
  if (refused(owner, "CVarWrapper::getCVarName")) return {};
  return variable->declared.name;
}

std::string Host::cvarValue(PluginSlot* owner, const hostsdk::Variable* variable) {
  if (refused(owner, "a CVarWrapper's value")) return {};
  const auto turn = turn_.take();
  return variable->value;
}

void Host::setCvar(PluginSlot* owner, hostsdk::Variable* variable, const std::string& value) {
  if (refused(owner, "CVarWrapper::setValue")) return;
  const auto turn = turn_.take();
  std::string error;
  if (!console_.set(*variable, value, error)) output_.error(error);
}

void Host::bindCvar(PluginSlot* owner, hostsdk::Variable* variable, hostsdk::Cell cell) {
  if (refused(owner, "CVarWrapper::bindTo")) return;
  const auto turn = turn_.take();
  console_.bind(owner, *variable, std::move(cell));
}

void Host::addCvarListener(PluginSlot* owner, hostsdk::Variable* variable,
                           hostsdk::ChangeCallback callback) {
  if (refused(owner, "CVarWrapper::addOnValueChanged")) return;
  const auto turn = turn_.take();
  console_.listen(owner, *variable, std::move(callback));
}

void Host::registerCommand(PluginSlot* owner, const std::string& name,
                           hostsdk::CommandCallback callback, const std::string& description,
                           unsigned char permissions) {
  if (refused(owner, "CVarManagerWrapper::registerNotifier")) return;
  const auto turn = turn_.take();
  console_.addCommand(owner, name, std::move(callback), description, permissions);
}

void Host::executeCommand(PluginSlot* owner, const std::string& line, bool) {
  if (refused(owner, "CVarManagerWrapper::executeCommand")) return;
  const auto turn = turn_.take();
  output_.line("command: " + line);
  // One callback at a time: a command issued from plugin code runs once that code returned; one
  // issued on another thread, at the game thread's next turn, in the order issued.
  if (!turn_.onGameThread()) {
    game_.post(nullptr, [this, line] { console_.execute(line); });
    return;
  }
  calls_.defer([this, line] { console_.execute(line); });
}

void Host::hookEvent(PluginSlot* owner, const std::string& name, hostsdk::HookCallback callback) {
  if (refused(owner, "GameWrapper::HookEvent")) return;
  const auto turn = turn_.take();
  game_.hook(owner, name, kept(owner, std::move(callback), "hook"));
}

void Host::unhookEvent(PluginSlot* owner, const std::string& name) {
  if (refused(owner, "GameWrapper::UnhookEvent")) return;
  const auto turn = turn_.take();
  game_.unhook(owner, name);
}

void Host::setTimeout(PluginSlot* owner, hostsdk::GameCallback callback, float seconds) {
  if (refused(owner, "GameWrapper::SetTimeout")) return;
  const auto turn = turn_.take();
  std::shared_ptr<GameWrapper> game = owner ? owner->gameWrapper : nullptr;
  game_.setTimeout(
      owner, [callback = kept(owner, std::move(callback), "timer"), game] { callback(game.get()); },
      seconds);
}

void Host::execute(PluginSlot* owner, hostsdk::GameCallback callback) {
  // Any thread: told late before any wait, as the plugin made the call then.
  if (lateCall(owner, "GameWrapper::Execute")) return;
  if (executeWaits_.load() && !turn_.onGameThread()) turn_.waitOutsidePlugin();
  // The slot is read only while it is known loaded; one on its way out posts nothing.
  std::shared_ptr<GameWrapper> game;
  std::shared_ptr<PluginCode> code = plugins_.loaded(owner, game);
  if (owner && !code) return;
  if (code) callback = keptCallable(std::move(code), std::move(callback), "posted callable");
  game_.post(owner,
             [callback = std::move(callback), game = std::move(game)] { callback(game.get()); });
}

UniqueIDWrapper Host::localPlayer(PluginSlot* owner) {
  if (refused(owner, "GameWrapper::GetUniqueID")) return {};
  const auto turn = turn_.take();
  return ratings_.player();
}

std::uint64_t Host::addRatingListener(PluginSlot* owner, hostsdk::RatingCallback callback) {
  if (refused(owner, "MMRWrapper::RegisterMMRNotifier")) return 0;
  const auto turn = turn_.take();
  return ratings_.listen(owner, kept(owner, std::move(callback), "rating registration"));
}

void Host::removeRatingListener(std::uint64_t registration) {
  // The token's end is the end of a wrapper the plugin holds, never one call too many.
  if (refusedOnRenderThread("MMRNotifierToken::~MMRNotifierToken")) return;
  const auto turn = turn_.take();
  ratings_.stopListening(registration);
}

int Host::currentPlaylist(PluginSlot* owner) {
  if (refused(owner, "MMRWrapper::GetCurrentPlaylist")) return 0;
  const auto turn = turn_.take();
  return ratings_.playlist();
}

bool Host::isSyncing(PluginSlot* owner, const UniqueIDWrapper& id) {
  if (refused(owner, "MMRWrapper::IsSyncing")) return false;
  const auto turn = turn_.take();
  return ratings_.isSyncing(id);
}

bool Host::isSynced(PluginSlot* owner, const UniqueIDWrapper& id, int playlist) {
  if (refused(owner, "MMRWrapper::IsSynced")) return false;
  const auto turn = turn_.take();
  return ratings_.isSynced(id, playlist);
}

float Host::playerRating(PluginSlot* owner, const UniqueIDWrapper& id, int playlist) {
  if (refused(owner, "MMRWrapper::GetPlayerMMR")) return 0.0f;
  const auto turn = turn_.take();
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

bool Host::lateCall(const PluginSlot* owner, const char* call) {
  // Slots are never freed (tombstones.h): the name is there, whenever the call comes.
  if (!owner || !owner->lateNow()) return false;
  tellLate(owner->name, call);
  return true;
}

void Host::tellLate(const std::string& plugin, const char* call) {
  ++lateCalls_;
  output_.error(plugin + ": " + call + " after its unload");
}

void Host::sendJsonRequest(const void* caller, CurlRequest request,
                           hostsdk::ReplyCallback callback) {
  web_.send(caller, std::move(request), std::move(callback));
}

}  // namespace host
