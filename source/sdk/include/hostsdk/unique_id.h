#pragma once

#include <string>

#include "hostsdk/export.h"

// The online service a player account belongs to. The host passes any number through.
enum OnlinePlatform : int {
  OnlinePlatform_Unknown = 0,
  OnlinePlatform_Steam = 1,
  OnlinePlatform_PlayStation = 2,
  OnlinePlatform_Xbox = 3,
  OnlinePlatform_Switch = 4,
  OnlinePlatform_Epic = 5,
};

class UniqueIDWrapper;

namespace hostsdk {
// The host's own reading of an identity; unlike the members below, not an SDK call.
HOSTSDK_API const std::string& idText(const UniqueIDWrapper& id);
HOSTSDK_API OnlinePlatform idPlatform(const UniqueIDWrapper& id);
}  // namespace hostsdk

// A player's identity: equal texts mean the same player. A plain value.
class HOSTSDK_API UniqueIDWrapper {
 public:
  UniqueIDWrapper() = default;
  UniqueIDWrapper(OnlinePlatform platform, std::string id);

  std::string str() const;
  OnlinePlatform GetPlatform() const;

 private:
  friend const std::string& hostsdk::idText(const UniqueIDWrapper& id);
  friend OnlinePlatform hostsdk::idPlatform(const UniqueIDWrapper& id);

  OnlinePlatform platform_ = OnlinePlatform_Unknown;
  std::string id_;
};
