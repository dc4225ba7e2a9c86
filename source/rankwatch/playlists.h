#pragma once

// Playlist ids as the host's rating service numbers them.

#include <cstddef>

namespace playlists {

// The ranked playlists whose rating the plugin follows.
constexpr int kTracked[] = {1,  2,  3,  4,  10, 11, 13, 15, 16, 17, 18, 23, 26, 27, 28,
                            29, 30, 31, 32, 33, 34, 35, 37, 38, 41, 43, 44, 46, 47};
// The playlists the web stats service rates; the lookup asks for any other one as 0.
constexpr int kWebRated[] = {10, 11, 13, 26, 27, 28, 29, 30, 34};

template <std::size_t N>
constexpr bool among(const int (&ids)[N], int playlist) {
  for (int id : ids) {
    if (id == playlist) return true;
  }
  return false;
}

constexpr bool isTracked(int playlist) {
  return among(kTracked, playlist);
}
constexpr bool isWebRated(int playlist) {
  return among(kWebRated, playlist);
}

}  // namespace playlists
