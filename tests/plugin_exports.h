#pragma once

// What the plugin library exports, on Linux and on Windows alike: its record, factory and
// release function by plain name, and the members of the base part.

#include <set>
#include <string>

inline const std::set<std::string> kPluginExports = {
    "getPlugin",
    "deleteMe",
    "exports",
    "_ZN9BakkesMod6Plugin15BakkesModPluginC1Ev",
    "_ZN9BakkesMod6Plugin15BakkesModPluginC2Ev",
    "_ZN9BakkesMod6Plugin15BakkesModPluginC1ERKS1_",
    "_ZN9BakkesMod6Plugin15BakkesModPluginC2ERKS1_",
    "_ZN9BakkesMod6Plugin15BakkesModPluginC1EOS1_",
    "_ZN9BakkesMod6Plugin15BakkesModPluginC2EOS1_",
    "_ZN9BakkesMod6Plugin15BakkesModPluginD1Ev",
    "_ZN9BakkesMod6Plugin15BakkesModPluginD2Ev",
    "_ZN9BakkesMod6Plugin15BakkesModPluginaSERKS1_",
    "_ZN9BakkesMod6Plugin15BakkesModPluginaSEOS1_",
    "_ZN9BakkesMod6Plugin15BakkesModPlugin6onLoadEv",
    "_ZN9BakkesMod6Plugin15BakkesModPlugin8onUnloadEv",
};
