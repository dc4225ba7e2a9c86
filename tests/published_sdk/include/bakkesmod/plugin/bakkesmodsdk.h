#pragma once

// Declarations only, for compiling the plugin in its published-SDK mode here: laid out and
// named as the host's published SDK is described, and no stricter or looser than described.
// Nothing is behind them but stops for the window test (unreached_calls.cpp). The real headers
// need the host's compiler. Where these copies still differ from them: they declare only the
// classes and calls the plugin uses, with no inline bodies but the base part's; a wrapper's
// data is one pointer, under a name of ours; the window interfaces hold only their slots.

#if defined(_WIN32)
#define BAKKESMOD_PLUGIN_EXPORT __declspec(dllexport)
#define BAKKESMOD_PLUGIN_IMPORT __declspec(dllimport)
#else
#define BAKKESMOD_PLUGIN_EXPORT __attribute__((visibility("default")))
#define BAKKESMOD_PLUGIN_IMPORT __attribute__((visibility("default")))
#endif
#define BAKKESMOD_PLUGIN_API_VERSION 95

enum PLUGINTYPE { PLUGINTYPE_THREADED = 0x20 };
enum NOTIFIER_PERMISSION {
  PERMISSION_ALL = 0,
  PERMISSION_MENU = (1 << 0),
  PERMISSION_SOCCAR = (1 << 1),
  PERMISSION_FREEPLAY = (1 << 2),
  PERMISSION_CUSTOM_TRAINING = (1 << 3),
  PERMISSION_ONLINE = (1 << 4),
  PERMISSION_PAUSEMENU_CLOSED = (1 << 5),
  PERMISSION_REPLAY = (1 << 6),
  PERMISSION_OFFLINE = (1 << 7)
};
