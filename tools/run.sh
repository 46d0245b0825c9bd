#!/usr/bin/env bash
# Installs what is missing, builds the program, and runs it.
# With a display (DISPLAY set and answering) the program runs under Wine with the machine's own MIDI
# devices. Without one, a short demonstration runs instead on a private X server, with a stand-in MIDI
# driver: a scripted user plays the panel, the MIDI that came out is printed, and screenshots are saved
# in out/. DBB_BUILD_ROOT as in build.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=${DBB_BUILD_ROOT:-$root/build}
"$root/tools/install-deps.sh"
"$root/tools/build.sh"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec /usr/lib/wine/wine64 "$root/out/x86_64/MidiDrawbarBox.exe"
fi
# shellcheck source=tests/support/wine-session.sh
. "$root/tests/support/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start x86_64 "$builds/x86_64/tests/support/winlook/winlook.exe"
wine_system_dll x86_64 "$builds/x86_64/tests/support/winmm_double/winmm.dll"  # the stand-in driver
DBB_BUILD_DIR="$builds/x86_64" DBB_PROGRAM="$root/out/x86_64/MidiDrawbarBox.exe" \
  python3 "$root/tools/demo.py" "$root/out"
