#pragma once

// A player's identity, and the online platforms it may belong to.

#include <string>

#include "hostsdk/export.h"

// The online service a player account belongs to, numbered as the host numbers them. The host
// passes any number through.
enum OnlinePlatform : int {
  OnlinePlatform_Unknown = 0,
  OnlinePlatform_Steam = 1,
  OnlinePlatform_PS4 = 2,
  OnlinePlatform_PS3 = 3,
  OnlinePlatform_Dingo = 4,  // Xbox
  OnlinePlatform_QQ = 5,
  OnlinePlatform_OldNNX = 6,
  OnlinePlatform_NNX = 7,  // Switch
  OnlinePlatform_PsyNet = 8,
  OnlinePlatform_Deleted = 9,
  OnlinePlatform_WeGame = 10,
  OnlinePlatform_Epic = 11,
  OnlinePlatform_MAX = 12
};

class UniqueIDWrapper;

namespace hostsdk {
// The host's own readings of an identity; unlike the members below, not SDK calls.
HOSTSDK_API std::string idText(const UniqueIDWrapper& id);  // what str() gives
HOSTSDK_API OnlinePlatform idPlatform(const UniqueIDWrapper& id);
HOSTSDK_API unsigned long long idUid(const UniqueIDWrapper& id);
// Whether the two texts are equal, that is the same player, without making them.
HOSTSDK_API bool sameIdText(const UniqueIDWrapper& a, const UniqueIDWrapper& b);
// What the readings above reach through; a friend class, since a friend function cannot
// carry the import and export marks on Windows.
struct IdReader;
}  // namespace hostsdk

// A player's identity: the platform's numeric id (a Steam id, for Steam) and, for a player with
// one, an Epic account id. Equal texts (str) mean the same player. A plain value.
class HOSTSDK_API UniqueIDWrapper {
 public:
  UniqueIDWrapper() = default;
  UniqueIDWrapper(OnlinePlatform platform, unsigned long long uid,
                  std::string epicAccountId = std::string());

  OnlinePlatform GetPlatform() const;
  unsigned long long GetUID() const;
  std::string GetEpicAccountID() const;
  // The Epic account id if it is not empty, the uid in decimal otherwise.
  std::string str() const;

 private:
  friend struct hostsdk::IdReader;

  OnlinePlatform platform_ = OnlinePlatform_Unknown;
  unsigned long long uid_ = 0;
  std::string epicAccountId_;
};
