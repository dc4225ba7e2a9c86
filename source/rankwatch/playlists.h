#pragma once

// Playlist ids as the host's rating service numbers them.

namespace playlists {

// The ranked playlists whose rating the plugin follows.
constexpr bool isTracked(int playlist) {
  switch (playlist) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 10:
    case 11:
    case 13:
    case 15:
    case 16:
    case 17:
    case 18:
    case 23:
    case 26:
    case 27:
    case 28:
    case 29:
    case 30:
    case 31:
    case 32:
    case 33:
    case 34:
    case 35:
    case 37:
    case 38:
    case 41:
    case 43:
    case 44:
    case 46:
    case 47:
      return true;
    default:
      return false;
  }
}

// The playlists the web stats service rates; the lookup asks for any other one as 0.
constexpr bool isWebRated(int playlist) {
  switch (playlist) {
    case 10:
    case 11:
    case 13:
    case 26:
    case 27:
    case 28:
    case 29:
    case 30:
    case 34:
      return true;
    default:
      return false;
  }
}

}  // namespace playlists
