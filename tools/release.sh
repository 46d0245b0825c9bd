#!/usr/bin/env bash
# Builds the release of both targets from clean build trees and writes under out/release/:
#   MidiDrawbarBox-<version>-windows-x86_64.zip and ...-windows-i686.zip, each holding the program,
#   the player's guide MidiDrawbarBox.txt (docs/) and LICENSE in a folder of the same name, and
#   SHA256SUMS for the two zips.
# The same commit gives the same bytes wherever and whenever it is built: the programs carry no time
# stamp and no build folder, and the zip entries have fixed times (SOURCE_DATE_EPOCH, by default the
# commit's time), order and attributes.
#
#   tools/release.sh           the release of this working tree
#   tools/release.sh --check   clones the current commit twice, into folders of different names,
#                              builds the release in each, one after the other, and compares them
#                              byte for byte; fails when they differ
#   tools/release.sh --check-guide
#                              checks the player's guide as the release does, and builds nothing
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" = --check-guide ]; then
  exec python3 "$root/tools/release_zip.py" --check-guide "$root/docs/MidiDrawbarBox.txt"
fi

if [ "${1:-}" = --check ]; then
  commit=$(git -C "$root" rev-parse HEAD)
  if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    echo "release: the check builds commit ${commit:0:12}; uncommitted changes are not part of it"
  fi
  checks=$(mktemp -d /tmp/dbb-release-check.XXXXXX)
  trap 'rm -rf "$checks"' EXIT
  clones=("$checks/first" "$checks/second/in/a/deeper/folder")
  for clone in "${clones[@]}"; do
    mkdir -p "$(dirname "$clone")"
    git clone -q --no-local "$root" "$clone"
    git -C "$clone" checkout -q "$commit"
    echo "release: building commit ${commit:0:12} in $clone"
    "$clone/tools/release.sh" >/dev/null
  done
  first=${clones[0]}/out/release
  second=${clones[1]}/out/release
  cat "$first/SHA256SUMS"
  if diff -r "$first" "$second" >/dev/null; then
    echo "release: reproducible: both builds gave the same bytes"
    exit 0
  fi
  echo "release: NOT reproducible: the two builds differ:" >&2
  diff "$first/SHA256SUMS" "$second/SHA256SUMS" >&2 || true
  exit 1
fi

"$root/tools/install-deps.sh"
version=$(sed -n 's/^project(MidiDrawbarBox VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "release: no project version in CMakeLists.txt" >&2; exit 1; }
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH

python3 "$root/tools/release_zip.py" --check-guide "$root/docs/MidiDrawbarBox.txt"
work=$root/build/release
out=$root/out/release
rm -rf "$work" "$out"
mkdir -p "$out"
for arch in x86_64 i686; do
  (cd "$root" && cmake --preset "$arch" -B "$work/$arch" -DDBB_TESTS=OFF -DDBB_OUTPUT_DIR="$work/program-$arch" \
    >/dev/null)
  if ! cmake --build "$work/$arch" -j "$(nproc)" --target MidiDrawbarBox -- --no-print-directory >"$work/$arch.log" 2>&1; then
    cat "$work/$arch.log" >&2
    echo "release: building $arch failed" >&2
    exit 1
  fi
  name=MidiDrawbarBox-$version-windows-$arch
  python3 "$root/tools/release_zip.py" "$out/$name.zip" "$name" \
    "$work/program-$arch/MidiDrawbarBox.exe" "$root/docs/MidiDrawbarBox.txt" "$root/LICENSE"
  echo "release: $out/$name.zip ($(stat -c %s "$work/program-$arch/MidiDrawbarBox.exe") bytes program)"
done
(cd "$out" && sha256sum -- *.zip >SHA256SUMS)
echo "release: $out/SHA256SUMS"
