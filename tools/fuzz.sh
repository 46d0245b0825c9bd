#!/usr/bin/env bash
# Fuzzes the runtime's texts and numbers and the MIDI layer's device names natively with libFuzzer:
#   tools/fuzz.sh [SECONDS [TARGET...]]   10 s per target by default; targets: number, names
# What it builds and where it keeps the corpus: tests/support/fuzz.sh.
exec "$(dirname "$0")/../tests/support/fuzz.sh" "$@"
