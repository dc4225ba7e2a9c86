// The host's side of every SDK call, forwarded to the console, the game thread, the rating
// service or the web routing for the plugin that called. Plugin code on the render thread may
// only draw, hand work over (Execute) and send requests: every other call is refused there.

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
  std::shared_ptr<GameWrapper> game;
  std::shared_ptr<PluginCode> code = plugins_.loaded(owner, game);
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

void Host::sendJsonRequest(const void* caller, CurlRequest request,
                           hostsdk::ReplyCallback callback) {
  web_.send(caller, std::move(request), std::move(callback));
}

}  // namespace host
