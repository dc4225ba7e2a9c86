// The record the host reads by layout, as the published declarations lay it out. Compiled here,
// where unsigned long is 8 bytes wide, and by the Windows cross build, where it is 4 as in the
// real host's build: the offsets must hold for both.

#include <bakkesmod/plugin/bakkesmodplugin.h>

#include <cstddef>

using BakkesMod::Plugin::PluginInfo;

#if defined(_WIN32)
static_assert(sizeof(unsigned long) == 4, "Windows lays out a 4-byte unsigned long");
#else
static_assert(sizeof(unsigned long) == 8, "this system lays out an 8-byte unsigned long");
#endif

static_assert(sizeof(PluginInfo) == 64, "the host reads the record by layout");
static_assert(offsetof(PluginInfo, apiBuildVersion) == 0);
static_assert(offsetof(PluginInfo, fileName) == 8);
static_assert(offsetof(PluginInfo, className) == 16);
static_assert(offsetof(PluginInfo, pluginName) == 24);
static_assert(offsetof(PluginInfo, pluginVersion) == 32);
static_assert(offsetof(PluginInfo, pluginType) == 40);
static_assert(offsetof(PluginInfo, factory) == 48);
static_assert(offsetof(PluginInfo, release) == 56);
