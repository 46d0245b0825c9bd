#!/usr/bin/env bash
# Runs the narrow-screen case of the window tests on the second screen of the test display (320x240).
# Every process of one Wine session sees the same screen size, so the case gets a Wine prefix of its
# own, started on that screen: usage: narrow_screen.sh path/to/ui_window_test.exe
set -euo pipefail
test_program=$1
screen_zero=${DISPLAY:?the test display is not set}
# shellcheck source=tests/support/wine-session.sh
. "${DBB_SOURCE_DIR:?}/tests/support/wine-session.sh"
wine=${WINE:?the Wine loader of the target is not set}

export DISPLAY="${screen_zero%.*}.1"
trap wine_prefix_stop EXIT
wine_prefix_start

output=$(DBB_NARROW_SCREEN=1 "$wine" "$test_program" --gtest_filter='NarrowScreen.*' 2>&1) || {
  echo "$output"
  exit 1
}
echo "$output"
# A skipped or missing case must not pass for a checked one.
grep -q '^\[  PASSED  \] 1 test' <<<"$output"
! grep -q 'SKIPPED' <<<"$output"
