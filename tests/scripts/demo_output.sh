#!/usr/bin/env bash
# scripts/demo builds only what it runs and prints a short summary of the build before the
# session's lines.
#   demo_output.sh <source folder>
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "demo_output: $*" >&2
  exit 1
}

output=$("$root/scripts/demo" "$work/pictures" 2>&1) || fail "the demo failed: $output"
mapfile -t lines <<<"$output"
[[ "${lines[0]}" == "build: default: rankwatch-host rankwatch "* ]] ||
  fail "the first line is no build summary: ${lines[0]}"
[[ "${lines[1]}" == "command: togglemenu rankwatch" ]] ||
  fail "the session does not follow the summary: ${lines[1]}"
[[ ${#lines[@]} -le 20 ]] || fail "${#lines[@]} lines, not a short demo: $output"
grep -q '^\[' <<<"$output" && fail "build progress was printed: $output"
[[ -f "$work/pictures/match-3.png" ]] || fail "no pictures in $work/pictures"
