#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test under Wine, once per target:
# build/x86_64 and build/i686, each in a session of its own (private X server, fresh Wine prefix).
# Prints one summary line per target and fails when either target fails. A machine that cannot
# run 32-bit programs runs x86_64 alone and says so.
# Extra arguments go to ctest (for example: -R ui_ to run some tests only); DBB_BUILD_ROOT as in build.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=${DBB_BUILD_ROOT:-$root/build}
"$root/tools/install-deps.sh"
"$root/tools/build.sh"
# shellcheck source=tests/support/wine-session.sh
. "$root/tests/support/wine-session.sh"
trap wine_session_stop EXIT

summary=()
failed=0
for arch in x86_64 i686; do
  if ! wine_can_run "$arch"; then
    summary+=("$arch tests not run: this machine cannot run $([ $arch = i686 ] && echo 32 || echo 64)-bit programs")
    [ "$arch" = x86_64 ] && failed=1
    continue
  fi
  echo "=== $arch"
  if ! wine_session_start "$arch" "$builds/$arch/tests/support/winlook/winlook.exe" ||
    ! wine_system_dll "$arch" "$builds/$arch/tests/support/winmm_double/winmm.dll"; then
    wine_session_stop
    summary+=("$arch: no tests run: its Wine session did not start (the reason is above)")
    failed=1
    continue
  fi
  log=$(mktemp /tmp/dbb-ctest.XXXXXX)
  status=0
  ctest --test-dir "$builds/$arch" --output-on-failure "$@" 2>&1 | tee "$log" || status=$?
  wine_session_stop
  line=$(grep -E 'tests passed|No tests were found' "$log" | tail -1 || true)
  rm -f "$log"
  summary+=("$arch: ${line:-ctest ended without a summary (exit $status)}")
  [ "$status" -eq 0 ] || failed=1
done

echo
printf '%s\n' "${summary[@]}"
exit "$failed"
