#!/usr/bin/env bash
# The benchmarks: `tools/bench.sh --help` (tools/bench/bench.py's help) says what they measure, their
# commands and their options; the arguments go to bench.py as they are, measure when no command is
# given. This installs what is missing, builds both targets with the benchmark programs, runs the
# command once per target, each in a session of its own (private X server, fresh Wine prefix), and
# then gathers the targets' figures (`tools/bench.sh report` writes docs/benchmarks.md). A machine that
# cannot run 32-bit programs measures x86_64 alone and says so. DBB_BUILD_ROOT as in build.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=${DBB_BUILD_ROOT:-$root/build}
case ${1:-} in -h | --help) ;; "" | -*) set -- measure "$@" ;; esac
"$root/tools/install-deps.sh"
# Debian's Python, which has the packages bench.py uses.
bench=(/usr/bin/python3 "$root/tools/bench/bench.py")
for argument in "$@"; do
  case $argument in -h | --help) exec "${bench[@]}" "$@" ;; esac
done
# Wrong arguments stop here, before the build.
"${bench[@]}" --arguments-only "$@" --out /dev/null
"$root/tools/build.sh" --target MidiDrawbarBox winmm_double winlook loop_bench
# shellcheck source=tests/support/wine-session.sh
. "$root/tests/support/wine-session.sh"
figures=$(mktemp -d /tmp/dbb-bench.XXXXXX)
trap 'wine_session_stop; rm -rf "$figures"' EXIT

status=0
files=()
for arch in x86_64 i686; do
  if ! wine_can_run "$arch"; then
    echo "$arch not measured: this machine cannot run its programs"
    printf '{"target": "%s", "not_measured": "this machine cannot run its programs"}\n' "$arch" >"$figures/$arch.json"
    files+=("$figures/$arch.json")
    continue
  fi
  wine_session_start "$arch" "$builds/$arch/tests/support/winlook/winlook.exe"
  wine_system_dll "$arch" "$builds/$arch/tests/support/winmm_double/winmm.dll"  # the stand-in driver, for both builds
  DBB_BUILD_DIR="$builds/$arch" DBB_PROGRAM="$root/out/$arch/MidiDrawbarBox.exe" \
    "${bench[@]}" "$@" --target "$arch" --out "$figures/$arch.json" || status=1
  wine_session_stop
  [ -f "$figures/$arch.json" ] && files+=("$figures/$arch.json")
done
[ ${#files[@]} -gt 0 ] && { "${bench[@]}" gather "${files[@]}" || status=1; }
exit "$status"
