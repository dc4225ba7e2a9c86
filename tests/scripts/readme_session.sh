#!/usr/bin/env bash
# The README's session by hand, piped into the host twice in a row: each run prints the
# README's lines (the banner's as far as the README shows them), and piped statements leave the
# user's settings folder alone, so the second run starts as the first did. Run with the Linux
# host, and with the Windows host under Wine.
#   readme_session.sh <README.md> <host command>...
set -uo pipefail
readme=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "readme_session: $*" >&2
  exit 1
}

# The session: from "$ scripts/host" to the end of its code block.
sed -n '/^\$ scripts\/host$/,/^```$/p' "$readme" | sed '1d;$d' >"$work/session"
grep '^> ' "$work/session" | sed 's/^> //' >"$work/statements"
grep -v '^> ' "$work/session" >"$work/expected"
[[ -s "$work/statements" ]] || fail "no session found in $readme"

mkdir "$work/home"
for run in 1 2; do
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" APPDATA="$work/home" \
    "$@" <"$work/statements" >"$work/output" 2>&1
  status=$?
  [[ $status -eq 0 ]] || fail "run $run: exit status $status: $(cat "$work/output")"
  mapfile -t expected <"$work/expected"
  # The Windows host names its own end of input.
  mapfile -t output < <(sed 's/(Ctrl-Z, Enter)/(Ctrl-D)/' "$work/output")
  [[ ${#output[@]} -eq ${#expected[@]} ]] ||
    fail "run $run: ${#output[@]} lines, the README shows ${#expected[@]}: $(cat "$work/output")"
  for i in "${!expected[@]}"; do
    # "…" in the README stands for what differs from machine to machine.
    shown=${expected[$i]%%…*}
    if [[ "$shown" != "${expected[$i]}" ]]; then
      [[ "${output[$i]}" == "$shown"* ]] || fail "run $run, line $((i + 1)): ${output[$i]}"
    else
      [[ "${output[$i]}" == "$shown" ]] ||
        fail "run $run, line $((i + 1)): \"${output[$i]}\", the README shows \"$shown\""
    fi
  done
done
[[ -z "$(ls -A "$work/home")" ]] || fail "piped statements wrote into the user's folder"
echo "the README's session, twice: $(wc -l <"$work/statements") statements"
