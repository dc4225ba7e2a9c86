#!/usr/bin/env bash
# Plays one scenario twice, its onLoad on a thread of its own and then on the game thread
# (--onload-thread), and passes when both succeed and print the same lines: a scenario's load
# returns once onLoad has ended, wherever it ran.
#   tests/scripts/same_either_way.sh <host> <scenario file>
set -uo pipefail
[[ $# -eq 2 ]] || { echo "usage: $0 <host> <scenario file>" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$1" --onload-thread own "$2" >"$out/own" 2>&1
own=$?
"$1" --onload-thread game "$2" >"$out/game" 2>&1
game=$?

status=0
if [[ $own -ne 0 || $game -ne 0 ]]; then
  echo "exit status: own thread $own, game thread $game"
  status=1
fi
if ! diff -u --label "onLoad on its own thread" --label "onLoad on the game thread" \
  "$out/own" "$out/game"; then
  status=1
fi
[[ $status -eq 0 ]] && echo "same output either way, $(wc -l <"$out/own") lines: $(basename "$2")"
exit $status
