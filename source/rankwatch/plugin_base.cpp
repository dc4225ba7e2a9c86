// The base part of every plugin object, defined and exported by the plugin library itself.
// Copies share both host handles, moves take them; destruction releases gameWrapper first.

#include "hostsdk/plugin.h"

namespace BakkesMod::Plugin {

BakkesModPlugin::BakkesModPlugin() = default;
BakkesModPlugin::BakkesModPlugin(const BakkesModPlugin& other) = default;
BakkesModPlugin::BakkesModPlugin(BakkesModPlugin&& other) noexcept = default;
BakkesModPlugin::~BakkesModPlugin() = default;
BakkesModPlugin& BakkesModPlugin::operator=(const BakkesModPlugin& other) = default;
BakkesModPlugin& BakkesModPlugin::operator=(BakkesModPlugin&& other) noexcept = default;

void BakkesModPlugin::onLoad() {}
void BakkesModPlugin::onUnload() {}

}  // namespace BakkesMod::Plugin
