#!/usr/bin/env bash
# Builds both targets with the benchmarks, then measures the program under Wine on a private X server
# and prints one table: the loop's pass, latency, idle CPU, file sizes and imports, working set, and the
# full soak. Extra arguments go to tools/bench/bench.py (--help lists them); DBB_BUILD_ROOT as in build.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=${DBB_BUILD_ROOT:-$root/build}
"$root/tools/install-deps.sh"
"$root/tools/build.sh" --target MidiDrawbarBox winmm_double winlook loop_bench poster
# shellcheck source=tools/wine-session.sh
. "$root/tools/wine-session.sh"
wine_session_start "$builds/x86_64/tools/winlook/winlook.exe"
trap wine_session_stop EXIT
DBB_BUILD_DIR="$builds/x86_64" DBB_PROGRAM="$root/out/x86_64/MidiDrawbarBox.exe" \
  python3 "$root/tools/bench/bench.py" "$@"
