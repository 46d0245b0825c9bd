#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/support/fuzz/ natively with clang (address and
# undefined-behaviour checks on) and runs each of them for a while. Any crash, sanitizer report or
# mismatch with the reference ends that run; the script then exits non-zero after running the others.
#
#   tools/fuzz.sh            a short run, 10 s per target
#   tools/fuzz.sh 600        a longer run, 10 minutes per target
#   tools/fuzz.sh 60 names   one target only
#
# The build and the working corpus live in build/fuzz (under DBB_BUILD_DIR/../fuzz when ctest runs
# the script). The seeds in tests/support/fuzz/corpus/<target>/ are read but never written; inputs that
# found new paths collect in <build>/corpus/<target>/, failing inputs in <build>/artifacts/.
# Replay one: <build>/<target>_fuzz <build>/artifacts/<target>-crash-...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(number names)

if [ -n "${DBB_BUILD_DIR:-}" ]; then out=$DBB_BUILD_DIR/../fuzz; else out=$root/build/fuzz; fi
mkdir -p "$out/artifacts"
out=$(cd "$out" && pwd)

cxx=${DBB_FUZZ_CXX:-clang++}
if ! command -v "$cxx" >/dev/null; then
  echo "fuzz: $cxx not found (tools/install-deps.sh installs clang and libclang-rt-14-dev)" >&2
  exit 1
fi
# shellcheck disable=SC2054  # the commas belong to -fsanitize=
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
  -fno-exceptions -Wall -Wextra -I "$root")
runtime_sources=("$root/runtime/heap.cpp" "$root/runtime/text.cpp" "$root/runtime/number.cpp" "$root/midi/names.cpp")

failed=()
for t in "${targets[@]}"; do
  src=$root/tests/support/fuzz/${t}_fuzz.cpp
  bin=$out/${t}_fuzz
  [ -f "$src" ] || { echo "fuzz: no target $t" >&2; exit 2; }
  # Rebuild only when the target or the runtime changed.
  rebuild=no
  [ -x "$bin" ] || rebuild=yes
  for f in "$src" "$root"/tests/support/fuzz/*.h "$root"/tests/support/printable.h "${runtime_sources[@]}" "$root"/runtime/*.h \
    "$root"/midi/names.h "$0"; do
    [ "$f" -nt "$bin" ] && rebuild=yes
  done
  if [ $rebuild = yes ]; then
    echo "fuzz: building $t"
    "$cxx" "${flags[@]}" -o "$bin" "$src" "${runtime_sources[@]}"
  fi

  mkdir -p "$out/corpus/$t"
  echo "fuzz: running $t for ${seconds}s"
  status=0
  "$bin" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/$t-" "$out/corpus/$t" "$root/tests/support/fuzz/corpus/$t" \
    >"$out/$t.log" 2>&1 || status=$?
  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::average_exec_per_sec)' "$out/$t.log" || true
  if [ $status -ne 0 ]; then
    echo "fuzz: $t FAILED (exit $status), log $out/$t.log:" >&2
    grep -v -E '^#[0-9]+[[:space:]]' "$out/$t.log" | tail -n 40 >&2
    failed+=("$t")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: failures in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: no failures"
