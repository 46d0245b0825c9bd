#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test under Wine on a private X server.
# Extra arguments go to ctest (for example: -R ui_ to run some tests only); DBB_BUILD_ROOT as in build.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh"
# shellcheck source=tools/wine-session.sh
. "$root/tools/wine-session.sh"
wine_session_start "${DBB_BUILD_ROOT:-$root/build}/x86_64/tools/winlook/winlook.exe"
trap wine_session_stop EXIT
ctest --test-dir "${DBB_BUILD_ROOT:-$root/build}/x86_64" --output-on-failure "$@"
