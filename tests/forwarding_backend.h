#pragma once

// A backend that passes every SDK call on to another one: a test that plays an odd host
// derives from it and overrides only the calls it changes.

#include <cstdint>
#include <string>
#include <utility>

#include "hostsdk/backend.h"

namespace testing_support {

class ForwardingBackend : public hostsdk::Backend {
 public:
  explicit ForwardingBackend(hostsdk::Backend& inner) : inner_(inner) {}

  void noteCall(const std::function<std::string()>& d) override { inner_.noteCall(d); }
  hostsdk::Variable* registerCvar(hostsdk::PluginSlot* o,
                                  const hostsdk::CvarDeclaration& s) override {
    return inner_.registerCvar(o, s);
  }
  hostsdk::Variable* findCvar(hostsdk::PluginSlot* o, const std::string& n) override {
    return inner_.findCvar(o, n);
  }
  std::string cvarName(hostsdk::PluginSlot* o, const hostsdk::Variable* v) override {
    return inner_.cvarName(o, v);
  }
  std::string cvarValue(hostsdk::PluginSlot* o, const hostsdk::Variable* v) override {
    return inner_.cvarValue(o, v);
  }
  void setCvar(hostsdk::PluginSlot* o, hostsdk::Variable* v, const std::string& s) override {
    inner_.setCvar(o, v, s);
  }
  void bindCvar(hostsdk::PluginSlot* o, hostsdk::Variable* v, hostsdk::Cell c) override {
    inner_.bindCvar(o, v, std::move(c));
  }
  void addCvarListener(hostsdk::PluginSlot* o, hostsdk::Variable* v,
                       hostsdk::ChangeCallback c) override {
    inner_.addCvarListener(o, v, std::move(c));
  }
  void registerCommand(hostsdk::PluginSlot* o, const std::string& n, hostsdk::CommandCallback c,
                       const std::string& d, unsigned char p) override {
    inner_.registerCommand(o, n, std::move(c), d, p);
  }
  void executeCommand(hostsdk::PluginSlot* o, const std::string& l, bool g) override {
    inner_.executeCommand(o, l, g);
  }
  void hookEvent(hostsdk::PluginSlot* o, const std::string& n, hostsdk::HookCallback c) override {
    inner_.hookEvent(o, n, std::move(c));
  }
  void unhookEvent(hostsdk::PluginSlot* o, const std::string& n) override {
    inner_.unhookEvent(o, n);
  }
  void setTimeout(hostsdk::PluginSlot* o, hostsdk::GameCallback c, float s) override {
    inner_.setTimeout(o, std::move(c), s);
  }
  void execute(hostsdk::PluginSlot* o, hostsdk::GameCallback c) override {
    inner_.execute(o, std::move(c));
  }
  UniqueIDWrapper localPlayer(hostsdk::PluginSlot* o) override { return inner_.localPlayer(o); }
  std::uint64_t addRatingListener(hostsdk::PluginSlot* o, hostsdk::RatingCallback c) override {
    return inner_.addRatingListener(o, std::move(c));
  }
  void removeRatingListener(std::uint64_t r) override { inner_.removeRatingListener(r); }
  int currentPlaylist(hostsdk::PluginSlot* o) override { return inner_.currentPlaylist(o); }
  bool isSyncing(hostsdk::PluginSlot* o, const UniqueIDWrapper& i) override {
    return inner_.isSyncing(o, i);
  }
  bool isSynced(hostsdk::PluginSlot* o, const UniqueIDWrapper& i, int p) override {
    return inner_.isSynced(o, i, p);
  }
  float playerRating(hostsdk::PluginSlot* o, const UniqueIDWrapper& i, int p) override {
    return inner_.playerRating(o, i, p);
  }
  void sendJsonRequest(const void* a, CurlRequest r, hostsdk::ReplyCallback c) override {
    inner_.sendJsonRequest(a, std::move(r), std::move(c));
  }

 protected:
  hostsdk::Backend& inner_;
};

}  // namespace testing_support
