#!/usr/bin/env bash
# The live window (--window) on a display of the test's own: the mouse statements work there as
# they do without one, a person's mouse on the window takes over after them, and a display that
# goes away ends the run with exit status 6, saying so, with the settings saved, as a stop
# request just then ends it. Exit status 77: skipped.
#   live_window.sh <rankwatch-host>
set -euo pipefail
host=$1
work=$(mktemp -d)
trap 'exec 3>&- 2>/dev/null || true; kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

fail() {
  echo "live_window: $*" >&2
  exit 1
}

# Waits until the host's output holds the line, for ten seconds at most; with a command, runs
# it before each look (asking the host again).
await() {
  for _ in $(seq 200); do
    [[ -z "${2:-}" ]] || eval "$2"
    grep -qxF "$1" "$work/out" && return 0
    kill -0 $pid 2>/dev/null || break
    sleep 0.05
  done
  fail "no \"$1\" in the host's output: $(cat "$work/out")"
}

# A display of the test's own, or the test skipped.
display() {
  coproc XVFB { exec Xvfb -displayfd 1 -screen 0 1280x720x24 -nolisten tcp 2>/dev/null; }
  xvfb=$XVFB_PID
  if ! read -r -t 10 -u "${XVFB[0]}" number || ! command -v xdotool >/dev/null; then
    echo "live_window: skipped: no X display could start, or no xdotool (scripts/setup installs both)"
    exit 77
  fi
  export DISPLAY=:$number
}

# The host on it, its settings in <folder>, reading what the test writes to file descriptor 3.
start() {
  "$host" --window --config "$1" <"$work/typed" >"$work/out" 2>&1 &
  pid=$!
  exec 3>"$work/typed"
}

display
mkfifo "$work/typed"
start "$work/config"
# A click and a drag on the page, with the live window's own frames drawn between their steps.
printf '%s\n' load "settings rankwatch" frame "click 418 180" "console rankwatch_singlequeue" \
  "expect cvar rankwatch_singlequeue = 0" "drag 500 272 1279 272" "console rankwatch_scale" \
  "expect cvar rankwatch_scale = 3" >&3
await "cvar rankwatch_scale = 3"

# Then the mouse on the window is a person's again.
window=$(xdotool search --sync --name '^rankwatch-host$' | head -1)
xdotool mousemove --window "$window" 418 180 click 1
await "cvar rankwatch_singlequeue = 1" "echo console rankwatch_singlequeue >&3"

kill $xvfb
wait $xvfb || true
status=0
wait $pid || status=$?
[[ $status -eq 6 ]] || fail "exit status $status after the display went away, not 6: $(cat "$work/out")"
grep -qxF "error: window: the connection to the display $DISPLAY was lost; unloading the plugin \
and saving the settings" "$work/out" || fail "no word of the display: $(cat "$work/out")"
grep -qxF 'rankwatch_singlequeue "1"' "$work/config/config.cfg" ||
  fail "the settings were not saved: $(cat "$work/config/config.cfg")"

# A stop request as the display goes: the host ends all the same, the settings saved.
display
start "$work/again"
printf '%s\n' load "console rankwatch_scale 2" "console rankwatch_scale" >&3
await "cvar rankwatch_scale = 2"
kill -TERM $pid
kill $xvfb
status=0
wait $pid || status=$?
[[ $status -eq 143 || $status -eq 6 ]] || fail "exit status $status after a stop as the display went"
grep -qxF 'rankwatch_scale "2"' "$work/again/config.cfg" || fail "no settings saved at the stop"
