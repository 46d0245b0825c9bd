#!/usr/bin/env bash
# Builds both targets with the benchmarks, then measures the program under Wine, each target in a
# session of its own (private X server, fresh Wine prefix), and prints one table with a column per
# target: the loop's pass, latency, idle CPU, file size and imports, working set, and the full soak.
# A machine that cannot run 32-bit programs measures x86_64 alone and says so.
# Extra arguments go to `tools/bench/bench.py measure` (bench.py measure --help lists them);
# DBB_BUILD_ROOT as in build.sh.
#   tools/bench.sh startup DIR [--runs N]   measures only the start-up, beside the programs of
#                                           another build (DIR/x86_64/MidiDrawbarBox.exe, DIR/i686/...)
#   tools/bench.sh latency DIR [--runs N] [--changes N]
#                                           measures only the latency, beside the programs of another
#                                           build, with this build's driver and poster for both
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=${DBB_BUILD_ROOT:-$root/build}
mode=measure
if [ "${1:-}" = startup ] || [ "${1:-}" = latency ]; then
  mode=$1
  baseline=${2:?usage: tools/bench.sh $1 DIR [--runs N]}
  shift 2
fi
"$root/tools/install-deps.sh"
"$root/tools/build.sh" --target MidiDrawbarBox winmm_double winlook loop_bench poster
# shellcheck source=tests/support/wine-session.sh
. "$root/tests/support/wine-session.sh"
figures=$(mktemp -d /tmp/dbb-bench.XXXXXX)
trap 'wine_session_stop; rm -rf "$figures"' EXIT

status=0
files=()
for arch in x86_64 i686; do
  if ! wine_can_run "$arch"; then
    echo "$arch not measured: this machine cannot run its programs"
    continue
  fi
  wine_session_start "$arch" "$builds/$arch/tests/support/winlook/winlook.exe"
  wine_system_dll "$arch" "$builds/$arch/tests/support/winmm_double/winmm.dll"  # the stand-in driver, for both builds
  if [ "$mode" != measure ]; then
    DBB_BUILD_DIR="$builds/$arch" DBB_PROGRAM="$root/out/$arch/MidiDrawbarBox.exe" \
      python3 "$root/tools/bench/bench.py" "$mode" --target "$arch" --baseline "$baseline/$arch/MidiDrawbarBox.exe" \
      "$@" || status=1
  else
    DBB_BUILD_DIR="$builds/$arch" DBB_PROGRAM="$root/out/$arch/MidiDrawbarBox.exe" \
      python3 "$root/tools/bench/bench.py" measure --target "$arch" --out "$figures/$arch.json" "$@" || status=1
  fi
  wine_session_stop
  [ -f "$figures/$arch.json" ] && files+=("$figures/$arch.json")
done
[ ${#files[@]} -gt 0 ] && { python3 "$root/tools/bench/bench.py" table "${files[@]}" || status=1; }
exit "$status"
