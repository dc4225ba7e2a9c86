#!/usr/bin/env bash
# Runs a Windows program under Wine, its output through a file. The first program of a Wine
# session starts Wine's own services, which keep that program's output open until the session
# ends: a test runner reading it would wait for them.
#   tests/scripts/on_windows.sh <program.exe> [<argument>...]
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$root/scripts/wine" "$@" >"$out" 2>&1
status=$?
cat "$out"
exit $status
