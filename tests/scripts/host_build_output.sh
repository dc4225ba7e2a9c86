#!/usr/bin/env bash
# scripts/host shows a failed build's output and stops, says so when a first build is under way
# and nothing of a later good one, and takes --windows among the host's options (not with
# --window); a long quiet build says how far it is; scripts/build and scripts/test refuse a
# name they do not know, and scripts/build the real host's preset here, before any work. Run on
# a copy of the scripts over a tiny project, so a real compiler fails in seconds.
#   host_build_output.sh <source folder>
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "host_build_output: $*" >&2
  exit 1
}

mkdir -p "$work/scripts" "$work/source/host" "$work/tests/scenarios" "$work/cmake"
cp "$root/scripts/build" "$root/scripts/host" "$root/scripts/setup" "$root/scripts/test" \
  "$work/scripts/"
cp "$root/CMakePresets.json" "$work/"
cp "$root/cmake/mingw-w64-x86_64.cmake" "$work/cmake/"
cat >"$work/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.22)
project(tiny CXX)
# Adding a scenario makes the build look again, as the real one does.
file(GLOB scenarios CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/scenarios/*.scn)
if(WIN32)
  message(FATAL_ERROR "tiny: the Windows build")
endif()
add_subdirectory(source/host)
add_custom_target(rankwatch)
CMAKE
echo 'add_executable(rankwatch-host main.cpp)' >"$work/source/host/CMakeLists.txt"

# A name that is no preset or stage is refused at once, before the first build or stage; so is
# the real host's preset here: <command> <what the one line says>.
refusals=(
  "build --summary nosuchpreset" '*no *"*" (*)'
  "test default bogus" '*no *"*" (*)'
  "build host-sdk" '*Windows*cl,*docs/windows.md#the-plugin-for-the-real-host*'
)
for ((i = 0; i < ${#refusals[@]}; i += 2)); do
  command=${refusals[i]}
  status=0
  output=$("$work/scripts/"$command 2>&1) || status=$?
  [[ $status -eq 2 ]] || fail "scripts/$command: exit status $status, not 2: $output"
  [[ $(wc -l <<<"$output") -eq 1 && "$output" == ${refusals[i + 1]} ]] ||
    fail "scripts/$command did not say only what is wrong: $output"
  [[ ! -e "$work/build" ]] || fail "scripts/$command started work: $(ls "$work/build")"
done

echo 'int main() { return undeclared_name; }' >"$work/source/host/main.cpp"
if output=$("$work/scripts/host" 2>&1); then
  fail "scripts/host went on after a compile error: $output"
fi
grep -q "undeclared_name" <<<"$output" || fail "the compiler's message was not shown: $output"
grep -q "^build: first build of the default preset" <<<"$output" || fail "a first build did not say so: $output"

printf '#include <cstdio>\nint main() { std::puts("host ran"); }\n' >"$work/source/host/main.cpp"
output=$("$work/scripts/host" 2>&1) || fail "scripts/host failed: $output"
[[ "$output" == "host ran" ]] || fail "a good build was not silent: $output"

touch "$work/tests/scenarios/added.scn"
output=$("$work/scripts/host" 2>&1) || fail "scripts/host failed: $output"
[[ "$output" == "host ran" ]] || fail "a scenario added made the build talk: $output"

# A long quiet build says how far it is now and then.
echo 'add_custom_target(slow COMMAND sleep 3)' >>"$work/CMakeLists.txt"
output=$(BUILD_PROGRESS_SECONDS=1 "$work/scripts/build" --summary default slow 2>&1) ||
  fail "a slow build failed: $output"
grep -Eq '^build: default: [0-9]+ of [0-9]+ steps done$' <<<"$output" ||
  fail "a slow build did not say how far it is: $output"

output=$("$work/scripts/host" --help 2>&1) || fail "scripts/host --help failed: $output"
grep -q -- "--windows" <<<"$output" || fail "--help does not tell of --windows: $output"

# --window with --windows is refused before the Windows build, which would take minutes.
status=0
output=$("$work/scripts/host" --windows --window 2>&1) || status=$?
[[ $status -eq 2 && "$output" == "error: --window: a live window is not available in the Windows host"* ]] ||
  fail "scripts/host --windows --window: exit status $status: $output"
grep -q "^usage: scripts/host \[--windows\]" <<<"$output" || fail "no usage of scripts/host: $output"
[[ ! -e "$work/build/windows" ]] || fail "scripts/host --windows --window built"

# --windows among the other options, not only first: the Windows build is the one tried.
if output=$("$work/scripts/host" --trace --windows x.scn 2>&1); then
  fail "scripts/host --trace --windows ran the Linux host: $output"
fi
grep -q "^build: first build of the windows preset" <<<"$output" || fail "a first Windows build did not say so: $output"
grep -q "tiny: the Windows build" <<<"$output" || fail "the Windows build was not tried: $output"
