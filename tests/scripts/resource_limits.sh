#!/usr/bin/env bash
# The host on a full disk and short of memory, as a user meets them: a picture that cannot be
# written keeps the one it was to replace and says why and where; input too large for memory
# ends the run with an error, never as if it had gone through. A file size limit stands in for
# the full disk and an address space limit for the memory, so no privilege is needed; the host
# runs with the limit's signal at its default, which ends a program that does not ignore it.
#   resource_limits.sh <rankwatch-host> [--no-memory-cap]
# (--no-memory-cap for the sanitizers' builds, which reserve more address space than any cap.)
set -euo pipefail
host=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "resource_limits: $*" >&2
  exit 1
}

printf '%s\n' load "console rankwatch_enabled 1" "console openmenu rankwatch" frame \
  "screenshot keep.png" >"$work/first.scn"
"$host" "$work/first.scn" >/dev/null || fail "the first picture was not written"
cp "$work/keep.png" "$work/before.png"
printf '%s\n' "config kept" load "console rankwatch_enabled 1" "console openmenu rankwatch" \
  "console rankwatch_scale 3" frame "screenshot keep.png" >"$work/full.scn"
status=0
output=$(ulimit -f 16 && env --default-signal=XFSZ "$host" "$work/full.scn" 2>&1) || status=$?
[[ $status -eq 4 ]] && grep -qxF "error: $work/full.scn:7: screenshot: cannot write PNG \
'$work/keep.png': File too large" <<<"$output" ||
  fail "a picture on a full disk: exit status $status: $output"
cmp -s "$work/keep.png" "$work/before.png" || fail "the picture it was to replace changed"
[[ ! -e "$work/keep.png.tmp" ]] || fail "a part-written picture was left behind"
grep -qxF 'rankwatch_scale "3"' "$work/kept/config.cfg" || fail "the settings were not saved"

# Nothing at all can be written: both settings files say so, the way each was to be saved, and
# keep what they held.
mkdir "$work/config"
printf '[Window][Rankwatch]\nPos=100,100\nSize=93,80\nCollapsed=0\n' >"$work/config/gui.ini"
cp "$work/config/gui.ini" "$work/gui.before"
printf '%s\n' "config config" load "console rankwatch_enabled 1" "console openmenu rankwatch" \
  frame >"$work/places.scn"
status=0
# The signal ignored from the start: the thread sanitizer's runtime writes a file of its own as
# the program starts, before the host ignores the signal itself.
output=$(ulimit -f 0 && trap '' XFSZ && "$host" "$work/places.scn" 2>&1) || status=$?
[[ $status -eq 3 && $(grep -cxF -e "error: the settings were not saved: cannot write \
$work/config/config.cfg: File too large" -e "error: the window places were not saved: cannot \
write $work/config/gui.ini: File too large" <<<"$output") -eq 2 ]] ||
  fail "settings on a full disk: exit status $status: $output"
cmp -s "$work/config/gui.ini" "$work/gui.before" ||
  fail "gui.ini changed: $(cat "$work/config/gui.ini")"

[[ "${2:-}" == --no-memory-cap ]] && exit 0
# 1 GB of address space: a line without end, from a file or a pipe.
for input in file pipe; do
  status=0
  if [[ $input == file ]]; then
    output=$(ulimit -v 1000000 && "$host" /dev/zero 2>&1) || status=$?
    where=/dev/zero:1
  else
    output=$(head -c 100000000 /dev/zero | (ulimit -v 1000000 && "$host") 2>&1) || status=$?
    where=stdin:1
  fi
  [[ $status -eq 2 ]] && grep -qxF "error: $where: the line is longer than 1048576 bytes, the \
most a statement may take" <<<"$output" ||
    fail "a line without end from a $input: exit status $status: $output"
done
