#!/usr/bin/env bash
# Plays one scenario with the Linux host and with the Windows host under Wine, and passes when
# both succeed and print the same lines. No scenario traces: trace lines of the HTTP and lookup
# threads would fall among the game thread's in no fixed order, and carry times and ports.
#   tests/scripts/same_on_windows.sh <linux host> <windows host> <scenario file>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
[[ $# -eq 3 ]] || { echo "usage: $0 <linux host> <windows host> <scenario file>" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$1" "$3" >"$out/linux" 2>&1
linux=$?
"$root/scripts/wine" "$2" "$3" >"$out/windows" 2>&1
windows=$?
# The Windows host takes no pictures; the line saying so, and the exit status of a picture not
# written, are the one difference allowed.
no_pictures='^error: .*: screenshot: pictures are not available in the Windows host$'
grep -v "$no_pictures" "$out/windows" >"$out/windows-compared"
if [[ $windows -eq 4 && $linux -eq 0 ]] && grep -q "$no_pictures" "$out/windows"; then
  windows=0
fi

status=0
if [[ $linux -ne 0 || $windows -ne 0 ]]; then
  echo "exit status: linux $linux, windows $windows"
  status=1
fi
if ! diff -u --label linux --label windows "$out/linux" "$out/windows-compared"; then
  status=1
fi
[[ $status -eq 0 ]] && echo "same output, $(wc -l <"$out/linux") lines: $(basename "$3")"
exit $status
