#!/usr/bin/env bash
# Configures (with the CMake presets of the same names) and builds both Windows targets: build/x86_64
# and build/i686; the programs land in out/.
# Fails, naming the target, when either target fails to configure or build.
# DBB_BUILD_ROOT names another folder for the build trees; extra arguments go to the build tool
# (for example: --target ui_test).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=${DBB_BUILD_ROOT:-$root/build}
jobs=$(nproc)
for arch in x86_64 i686; do
  dir="$builds/$arch"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    if ! (cd "$root" && cmake --preset "$arch" -B "$dir" >/dev/null); then
      rm -f "$dir/CMakeCache.txt"  # configure again next time
      echo "build: configuring $arch failed" >&2
      exit 1
    fi
  fi
  # The progress lines are left out; the filter never fails, so the status is the build's own.
  if ! cmake --build "$dir" -j "$jobs" "$@" -- --no-print-directory |
    { grep -v -E '^\[ *[0-9]+%\] (Building|Linking|Built)' || true; }; then
    echo "build: $arch failed" >&2
    exit 1
  fi
done
