#include "hostsdk/unique_id.h"

#include <utility>

#include "describe.h"

using hostsdk::detail::note;
using hostsdk::detail::quoted;

UniqueIDWrapper::UniqueIDWrapper(OnlinePlatform platform, std::string id)
    : platform_(platform), id_(std::move(id)) {}

std::string UniqueIDWrapper::str() const {
  note([&] { return "UniqueIDWrapper::str() -> " + quoted(id_); });
  return id_;
}

OnlinePlatform UniqueIDWrapper::GetPlatform() const {
  note([&] { return "UniqueIDWrapper::GetPlatform() -> " + std::to_string(platform_); });
  return platform_;
}

namespace hostsdk {
struct IdReader {
  static const std::string& text(const UniqueIDWrapper& id) { return id.id_; }
  static OnlinePlatform platform(const UniqueIDWrapper& id) { return id.platform_; }
};

const std::string& idText(const UniqueIDWrapper& id) {
  return IdReader::text(id);
}
OnlinePlatform idPlatform(const UniqueIDWrapper& id) {
  return IdReader::platform(id);
}
}  // namespace hostsdk
