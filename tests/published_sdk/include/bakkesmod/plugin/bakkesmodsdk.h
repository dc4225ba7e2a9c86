#pragma once

// Declarations only, for compiling the plugin in its published-SDK mode here: laid out and
// named as the host's published SDK is described, with nothing behind them. The real headers
// need the host's compiler; on Linux the export marks are the visibility attribute.

#define BAKKESMOD_PLUGIN_EXPORT __attribute__((visibility("default")))
#define BAKKESMOD_PLUGIN_IMPORT __attribute__((visibility("default")))
#define BAKKESMOD_PLUGIN_API_VERSION 95

enum PLUGINTYPE { PLUGINTYPE_THREADED = 0x20 };
enum PERMISSION { PERMISSION_ALL = 0 };
