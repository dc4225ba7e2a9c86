#!/usr/bin/env bash
# A bad option or folder stops the host before it starts: an error line, the usage and exit
# status 2, not the 1 of a failed `expect`.
#   host_refusals.sh <rankwatch-host>
set -uo pipefail
host=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/file"

for args in "--bogus" "--plugins $work/missing" "--config $work/file"; do
  output=$("$host" $args 2>&1 </dev/null)
  status=$?
  if [[ $status -ne 2 || $(wc -l <<<"$output") -ne 2 || "$output" != "error: "* ]]; then
    echo "host_refusals: rankwatch-host $args: exit status $status: $output" >&2
    exit 1
  fi
done
