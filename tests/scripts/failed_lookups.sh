#!/usr/bin/env bash
# Web lookups that fail before any reply, sent by the Linux host and by the Windows host under
# Wine: each host says why in the same words, so a player reads the same line on both.
#   failed_lookups.sh <linux host> <windows host>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
[[ $# -eq 2 ]] || { echo "usage: $0 <linux host> <windows host>" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%s\n' load "console rankwatch_enabled 1" "console rankwatch_trackingmethod web" \
  "playlist 11" notify settle >"$work/statements"
profile=/api/v2/rocket-league/standard/profile/steam/76561198000000001

# <base URL> <why>: nothing listens on port 1; .invalid names never resolve.
rows=(
  "http://127.0.0.1:1" "the connection was refused"
  "https://127.0.0.1:1" "the connection was refused"
  "http://nosuchhost.invalid" "the host's name was not found"
)
status=0
for ((i = 0; i < ${#rows[@]}; i += 2)); do
  base=${rows[i]}
  expected="http: $base$profile: ${rows[i + 1]}"
  "$1" --stats-url "$base" <"$work/statements" >"$work/linux" 2>&1
  "$root/scripts/wine" "$2" --stats-url "$base" <"$work/statements" >"$work/windows" 2>&1
  for side in linux windows; do
    shown=$(grep '^http: ' "$work/$side" | tr -d '\r')
    if [[ "$shown" != "$expected" ]]; then
      echo "$side, $base: expected \"$expected\", shown \"$shown\"; the run printed:"
      cat "$work/$side"
      status=1
    fi
  done
done
[[ $status -eq 0 ]] && echo "$((${#rows[@]} / 2)) failed lookups told alike"
exit $status
