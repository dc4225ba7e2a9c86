// Compiled with the plugin's sources in their published-SDK mode: the stand-in SDK's headers
// must not be reachable there, or a source could lean on them unseen.

#if __has_include(<hostsdk/plugin.h>)
#error "the stand-in SDK's headers are on the published-SDK check's include path"
#endif
