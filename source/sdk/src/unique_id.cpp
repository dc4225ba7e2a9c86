// A player's identity: platform, uid and account id.

#include "hostsdk/unique_id.h"

#include <utility>

#include "describe.h"

using hostsdk::detail::note;
using hostsdk::detail::quoted;

UniqueIDWrapper::UniqueIDWrapper(OnlinePlatform platform, unsigned long long uid,
                                 std::string epicAccountId)
    : platform_(platform), uid_(uid), epicAccountId_(std::move(epicAccountId)) {}

OnlinePlatform UniqueIDWrapper::GetPlatform() const {
  note([&] { return "UniqueIDWrapper::GetPlatform() -> " + std::to_string(platform_); });
  return platform_;
}

unsigned long long UniqueIDWrapper::GetUID() const {
  note([&] { return "UniqueIDWrapper::GetUID() -> " + std::to_string(uid_); });
  return uid_;
}

std::string UniqueIDWrapper::GetEpicAccountID() const {
  note([&] { return "UniqueIDWrapper::GetEpicAccountID() -> " + quoted(epicAccountId_); });
  return epicAccountId_;
}

std::string UniqueIDWrapper::str() const {
  std::string text = hostsdk::idText(*this);
  note([&] { return "UniqueIDWrapper::str() -> " + quoted(text); });
  return text;
}

namespace hostsdk {
struct IdReader {
  static OnlinePlatform platform(const UniqueIDWrapper& id) { return id.platform_; }
  static unsigned long long uid(const UniqueIDWrapper& id) { return id.uid_; }
  static const std::string& epic(const UniqueIDWrapper& id) { return id.epicAccountId_; }
};

std::string idText(const UniqueIDWrapper& id) {
  const std::string& epic = IdReader::epic(id);
  return epic.empty() ? std::to_string(IdReader::uid(id)) : epic;
}
OnlinePlatform idPlatform(const UniqueIDWrapper& id) {
  return IdReader::platform(id);
}
unsigned long long idUid(const UniqueIDWrapper& id) {
  return IdReader::uid(id);
}
bool sameIdText(const UniqueIDWrapper& a, const UniqueIDWrapper& b) {
  const std::string& epicA = IdReader::epic(a);
  const std::string& epicB = IdReader::epic(b);
  if (epicA.empty() && epicB.empty()) return IdReader::uid(a) == IdReader::uid(b);
  if (!epicA.empty() && !epicB.empty()) return epicA == epicB;
  return idText(a) == idText(b);
}
}  // namespace hostsdk
