#!/usr/bin/env bash
# Configuring for the real host with g++ stops before anything is built and says why, even
# with an SDK folder that looks whole.
#   host_sdk_refusal.sh <source folder>
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "host_sdk_refusal: $*" >&2
  exit 1
}

mkdir -p "$work/sdk/include/bakkesmod/plugin" "$work/sdk/lib"
touch "$work/sdk/include/bakkesmod/plugin/bakkesmodplugin.h" "$work/sdk/lib/pluginsdk.lib"
if output=$(cmake -S "$root" -B "$work/build" -G Ninja -DCMAKE_CXX_COMPILER=g++ \
  -DRANKWATCH_HOST_SDK="$work/sdk" 2>&1); then
  fail "configure went on with g++: $output"
fi
# CMake wraps the message: compare it as one line.
output=$(tr -s ' \n' '  ' <<<"$output")
for said in "CMake Error at cmake/host_sdk.cmake" "needs the host's compiler" \
  "Microsoft's C++ compiler" "This build uses GNU"; do
  grep -qF "$said" <<<"$output" || fail "the message does not say \"$said\": $output"
done
[[ ! -e "$work/build/build.ninja" ]] || fail "configure wrote a build"
