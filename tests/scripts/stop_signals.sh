#!/usr/bin/env bash
# Ctrl-C and SIGTERM stop the host cleanly: an interactive run saves its settings, a scenario
# run removes its temporary config folder, and each exits with 128 plus the signal. A second
# signal ends it at once, and still removes the folder.
#   stop_signals.sh <rankwatch-host>
set -euo pipefail
host=$1
work=$(mktemp -d)
trap 'exec 3>&- 4>&- 2>/dev/null || true; rm -rf "$work"' EXIT

fail() {
  echo "stop_signals: $*" >&2
  exit 1
}

# Waits until the host's output holds the line, for ten seconds at most.
await() {
  for _ in $(seq 200); do
    grep -qxF "$1" "$2" 2>/dev/null && return 0
    sleep 0.05
  done
  fail "no \"$1\" in the host's output: $(cat "$2")"
}

# Waits ten seconds at most for the host to end, and checks how it ended (one of the statuses).
ended() {
  for _ in $(seq 200); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.05
  done
  if kill -0 "$1" 2>/dev/null; then
    kill -KILL "$1"
    fail "the host went on after $3: $(cat "$4")"
  fi
  local status=0
  wait "$1" || status=$?
  [[ " $2 " == *" $status "* ]] || fail "exit status $status after $3, not $2: $(cat "$4")"
}

# An interactive run, its input left open: Ctrl-C unloads and saves.
mkfifo "$work/typed"
"$host" --config "$work/config" <"$work/typed" >"$work/interactive.out" 2>&1 &
pid=$!
exec 3>"$work/typed"
printf 'load\nconsole rankwatch_scale 2\nconsole rankwatch_scale\n' >&3
await "cvar rankwatch_scale = 2" "$work/interactive.out"
kill -INT "$pid"
ended "$pid" 130 SIGINT "$work/interactive.out"
grep -qxF 'rankwatch_scale "2"' "$work/config/config.cfg" ||
  fail "Ctrl-C did not save the settings"
exec 3>&-

# A scenario read from a pipe that stays open: SIGTERM removes its temporary config folder.
mkdir "$work/tmp"
mkfifo "$work/scenario"
TMPDIR="$work/tmp" "$host" "$work/scenario" >"$work/scenario.out" 2>&1 &
pid=$!
exec 4>"$work/scenario"
printf 'load\nconsole rankwatch_scale\n' >&4
await "cvar rankwatch_scale = 1" "$work/scenario.out"
[[ -n "$(ls -A "$work/tmp")" ]] || fail "the scenario made no temporary config folder"
kill -TERM "$pid"
ended "$pid" 143 SIGTERM "$work/scenario.out"
[[ -z "$(ls -A "$work/tmp")" ]] || fail "SIGTERM left $(ls "$work/tmp") behind"
exec 4>&-

# The second while the first is handled: the host looks at the first between statements. The
# two may reach different threads, and either be the second.
TMPDIR="$work/tmp" "$host" "$work/scenario" >"$work/twice.out" 2>&1 &
pid=$!
exec 4>"$work/scenario"
printf 'load\nconsole rankwatch_scale\n' >&4
await "cvar rankwatch_scale = 1" "$work/twice.out"
kill -INT "$pid"
kill -TERM "$pid"
ended "$pid" "130 143" "SIGINT and SIGTERM" "$work/twice.out"
[[ -z "$(ls -A "$work/tmp")" ]] || fail "two signals left $(ls "$work/tmp") behind"
exec 4>&-
