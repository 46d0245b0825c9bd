#!/usr/bin/env bash
# Configures and builds both Windows targets: build/x86_64 and build/i686; the programs land in out/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
for arch in x86_64 i686; do
  dir="$root/build/$arch"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$dir" -j "$jobs" -- --no-print-directory | grep -v -E '^\[ *[0-9]+%\] (Building|Linking|Built)' || true
  test "${PIPESTATUS[0]}" -eq 0
done
