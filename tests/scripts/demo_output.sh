#!/usr/bin/env bash
# scripts/demo builds only what it runs and prints a short summary of the build before the
# session's lines; it writes into a folder only when the folder is new, empty or holds nothing
# but its own earlier output, and refuses any other, touching nothing there.
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
[[ -f "$work/pictures/match-3.png" && -f "$work/pictures/overlay.png" ]] ||
  fail "no pictures in $work/pictures"

# Its own earlier output it replaces.
rm "$work/pictures/match-3.png"
output=$("$root/scripts/demo" "$work/pictures" 2>&1) || fail "a second run failed: $output"
[[ -f "$work/pictures/match-3.png" ]] || fail "a second run wrote no pictures"

# Anything else it refuses, before building, and leaves as it was; a folder it cannot write too.
mkdir "$work/notes"
echo "mine" >"$work/notes/todo.txt"
cp -r "$work/pictures" "$work/marked"
echo "mine" >"$work/marked/todo.txt"
echo "mine" >"$work/file"
# Only out/demo may hold the unmarked output of the demo from before it marked its folders.
mkdir -p "$work/old/config"
touch "$work/old/match-1.png"
for folder in "$work/notes" "$work/marked" "$work/file" "$work/old" /proc/rankwatch-demo; do
  status=0
  output=$("$root/scripts/demo" "$folder" 2>&1) || status=$?
  [[ $status -eq 2 && "$output" == "demo: $folder "* && $(wc -l <<<"$output") -eq 1 ]] ||
    fail "scripts/demo $folder: exit status $status: $output"
done
output=$("$root/scripts/demo" --help 2>&1) || fail "scripts/demo --help failed: $output"
[[ "$output" == "scripts/demo [<output folder>] "* ]] || fail "scripts/demo --help: $output"
[[ $(ls -A "$work/notes") == todo.txt && $(cat "$work/notes/todo.txt") == mine ]] ||
  fail "a refused folder was touched: $(ls -A "$work/notes")"
[[ -f "$work/marked/match-3.png" && -d "$work/old/config" && $(cat "$work/file") == mine ]] ||
  fail "a refused folder or file was touched"
