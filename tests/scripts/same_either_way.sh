#!/usr/bin/env bash
# Plays one scenario twice, its onLoad on a thread of its own and then on the game thread
# (--onload-thread), and passes when both succeed and print the same lines: a scenario's load
# returns once onLoad has ended, wherever it ran.
#   tests/scripts/same_either_way.sh <host> <scenario file>
set -uo pipefail
[[ $# -eq 2 ]] || { echo "usage: $0 <host> <scenario file>" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
for way in own game; do
  "$1" --onload-thread $way "$2" >"$out/$way" 2>&1 || { echo "exit status $? with $way"; status=1; }
done
diff -u --label "onLoad on its own thread" --label "onLoad on the game thread" \
  "$out/own" "$out/game" || status=1
[[ $status -eq 0 ]] && echo "same output either way, $(wc -l <"$out/own") lines: $(basename "$2")"
exit $status
