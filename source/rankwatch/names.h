#pragma once

// Texts the library, its record and its window share.
namespace names {

inline constexpr char kClassName[] = "rankwatch";    // also the window's menu name
inline constexpr char kDisplayName[] = "Rankwatch";  // also the window's title
inline constexpr char kVersionText[] = "1.3b";
// The rating source that is the host's own service; any other text is the web service.
inline constexpr char kHostService[] = "bakkesmod";
// The build path of the plugin's main source; defined there, from its own __FILE__.
extern const char kMainSource[];

}  // namespace names
