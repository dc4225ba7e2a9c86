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
// What the two readings above reach through; a friend class, since a friend function cannot
// carry the import and export marks on Windows.
struct IdReader;
}  // namespace hostsdk

// A player's identity: equal texts mean the same player. A plain value.
class HOSTSDK_API UniqueIDWrapper {
 public:
  UniqueIDWrapper() = default;
  UniqueIDWrapper(OnlinePlatform platform, std::string id);

  std::string str() const;
  OnlinePlatform GetPlatform() const;

 private:
  friend struct hostsdk::IdReader;

  OnlinePlatform platform_ = OnlinePlatform_Unknown;
  std::string id_;
};
