#pragma once

// HOSTSDK_API marks what the SDK library itself exports; PLUGIN_EXPORT marks what a plugin
// library exports to the host (its factory, release function, record and base part).
#if defined(_WIN32)
#if defined(HOSTSDK_BUILD)
#define HOSTSDK_API __declspec(dllexport)
#else
#define HOSTSDK_API __declspec(dllimport)
#endif
#define PLUGIN_EXPORT __declspec(dllexport)
#else
#define HOSTSDK_API __attribute__((visibility("default")))
#define PLUGIN_EXPORT __attribute__((visibility("default")))
#endif
