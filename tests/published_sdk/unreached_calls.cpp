// A definition behind each declaration of the published SDK, so that the plugin's objects in
// their published-SDK mode link into a test program. The tests there never reach the host:
// a call that does stops the program, naming itself.

#include <cstdio>
#include <cstdlib>

#include "bakkesmod/plugin/bakkesmodplugin.h"
#include "bakkesmod/wrappers/http/HttpWrapper.h"

namespace {

[[noreturn]] void unreached(const char* call) {
  std::fprintf(stderr, "a test called the host: %s\n", call);
  std::abort();
}

}  // namespace

UniqueIDWrapper::UniqueIDWrapper() {
  unreached(__PRETTY_FUNCTION__);
}
UniqueIDWrapper::UniqueIDWrapper(const UniqueIDWrapper&) {
  unreached(__PRETTY_FUNCTION__);
}
UniqueIDWrapper& UniqueIDWrapper::operator=(UniqueIDWrapper) {
  unreached(__PRETTY_FUNCTION__);
}
UniqueIDWrapper::~UniqueIDWrapper() {
  unreached(__PRETTY_FUNCTION__);
}
unsigned long long UniqueIDWrapper::GetUID() const {
  unreached(__PRETTY_FUNCTION__);
}
std::string UniqueIDWrapper::GetEpicAccountID() const {
  unreached(__PRETTY_FUNCTION__);
}
OnlinePlatform UniqueIDWrapper::GetPlatform() const {
  unreached(__PRETTY_FUNCTION__);
}
std::string UniqueIDWrapper::str() const {
  unreached(__PRETTY_FUNCTION__);
}

CVarWrapper::CVarWrapper(const CVarWrapper&) {
  unreached(__PRETTY_FUNCTION__);
}
CVarWrapper& CVarWrapper::operator=(CVarWrapper) {
  unreached(__PRETTY_FUNCTION__);
}
CVarWrapper::~CVarWrapper() {
  unreached(__PRETTY_FUNCTION__);
}
CVarManagerWrapper::CVarManagerWrapper(const CVarManagerWrapper&) {
  unreached(__PRETTY_FUNCTION__);
}
CVarManagerWrapper& CVarManagerWrapper::operator=(CVarManagerWrapper) {
  unreached(__PRETTY_FUNCTION__);
}
CVarManagerWrapper::~CVarManagerWrapper() {
  unreached(__PRETTY_FUNCTION__);
}
MMRWrapper::MMRWrapper(const MMRWrapper&) {
  unreached(__PRETTY_FUNCTION__);
}
MMRWrapper& MMRWrapper::operator=(MMRWrapper) {
  unreached(__PRETTY_FUNCTION__);
}
MMRWrapper::~MMRWrapper() {
  unreached(__PRETTY_FUNCTION__);
}
GameWrapper::GameWrapper(const GameWrapper&) {
  unreached(__PRETTY_FUNCTION__);
}
GameWrapper& GameWrapper::operator=(GameWrapper) {
  unreached(__PRETTY_FUNCTION__);
}
GameWrapper::~GameWrapper() {
  unreached(__PRETTY_FUNCTION__);
}
void CVarWrapper::bindTo(std::shared_ptr<bool>) {
  unreached(__PRETTY_FUNCTION__);
}
void CVarWrapper::bindTo(std::shared_ptr<float>) {
  unreached(__PRETTY_FUNCTION__);
}
void CVarWrapper::addOnValueChanged(std::function<void(std::string, CVarWrapper)>) {
  unreached(__PRETTY_FUNCTION__);
}
bool CVarWrapper::getBoolValue() {
  unreached(__PRETTY_FUNCTION__);
}
std::string CVarWrapper::getStringValue() {
  unreached(__PRETTY_FUNCTION__);
}

CVarWrapper CVarManagerWrapper::registerCvar(std::string, std::string, std::string, bool, bool,
                                             float, bool, float, bool) {
  unreached(__PRETTY_FUNCTION__);
}
CVarWrapper CVarManagerWrapper::getCvar(std::string) {
  unreached(__PRETTY_FUNCTION__);
}
void CVarManagerWrapper::registerNotifier(std::string,
                                          std::function<void(std::vector<std::string>)>,
                                          std::string, unsigned char) {
  unreached(__PRETTY_FUNCTION__);
}
void CVarManagerWrapper::registerNotifier(std::string, commandNotifier, std::string,
                                          unsigned char) {
  unreached(__PRETTY_FUNCTION__);
}
void CVarManagerWrapper::executeCommand(std::string, bool) {
  unreached(__PRETTY_FUNCTION__);
}

MMRNotifierToken::~MMRNotifierToken() {
  unreached(__PRETTY_FUNCTION__);
}

std::unique_ptr<MMRNotifierToken> MMRWrapper::RegisterMMRNotifier(
    std::function<void(UniqueIDWrapper)>) {
  unreached(__PRETTY_FUNCTION__);
}
int MMRWrapper::GetCurrentPlaylist() {
  unreached(__PRETTY_FUNCTION__);
}
bool MMRWrapper::IsSyncing(UniqueIDWrapper) {
  unreached(__PRETTY_FUNCTION__);
}
bool MMRWrapper::IsSynced(UniqueIDWrapper, int) {
  unreached(__PRETTY_FUNCTION__);
}
float MMRWrapper::GetPlayerMMR(UniqueIDWrapper, int) {
  unreached(__PRETTY_FUNCTION__);
}

void GameWrapper::HookEvent(std::string, std::function<void(std::string)>) {
  unreached(__PRETTY_FUNCTION__);
}
void GameWrapper::UnhookEvent(std::string) {
  unreached(__PRETTY_FUNCTION__);
}
void GameWrapper::SetTimeout(std::function<void(GameWrapper*)>, float) {
  unreached(__PRETTY_FUNCTION__);
}
void GameWrapper::Execute(std::function<void(GameWrapper*)>) {
  unreached(__PRETTY_FUNCTION__);
}
UniqueIDWrapper GameWrapper::GetUniqueID() {
  unreached(__PRETTY_FUNCTION__);
}
MMRWrapper GameWrapper::GetMMRWrapper() {
  unreached(__PRETTY_FUNCTION__);
}

void HttpWrapper::SendCurlJsonRequest(CurlRequest, std::function<void(int, std::string)>) {
  unreached(__PRETTY_FUNCTION__);
}
