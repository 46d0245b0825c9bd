#!/usr/bin/env bash
# Runs the narrow-screen case of the window tests on the second screen of the test display (320x240).
# Every process of one Wine session sees the same screen size, so the case gets a Wine session of
# its own, started on that screen: usage: narrow_screen.sh path/to/ui_window_test.exe
set -euo pipefail
test_program=$1
wine=${WINE:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
screen_zero=${DISPLAY:?the test display is not set}

export DISPLAY="${screen_zero%.*}.1"
WINEPREFIX=$(mktemp -d /tmp/dbb-wine-narrow.XXXXXX)
export WINEPREFIX WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# The session's own processes start away from the test's output, as in tools/wine-session.sh.
"$wineserver" -p >/dev/null 2>&1
"$wine" wineboot -i >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

output=$(DBB_NARROW_SCREEN=1 "$wine" "$test_program" --gtest_filter='NarrowScreen.*' 2>&1) || {
  echo "$output"
  exit 1
}
echo "$output"
# A skipped or missing case must not pass for a checked one.
grep -q '^\[  PASSED  \] 1 test' <<<"$output"
! grep -q 'SKIPPED' <<<"$output"
