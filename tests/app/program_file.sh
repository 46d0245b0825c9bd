#!/usr/bin/env bash
# The file a user copies: at most 64 KiB, importing only Windows' own DLLs, carrying the project's
# version in its properties and no manifest. A function-local static with a thread-safe guard, or a
# library call that throws, each adds some 100 KiB of runtime; this catches it.
#   program_file.sh PROGRAM VERSION   (DBB_SOURCE_DIR: the source tree, for tools/pe_table.py)
set -euo pipefail
program=$1
version=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

size=$(stat -c %s "$program")
[ "$size" -le 65536 ] || fail "$program is $size bytes, more than 64 KiB"

imports=$(python3 "${DBB_SOURCE_DIR:?}/tools/pe_table.py" imports "$program") ||
  fail "cannot read the imports of $program"
imports=$(tr 'A-Z' 'a-z' <<<"$imports" | sort | paste -sd' ')
for dll in $imports; do
  case $dll in
    kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | winmm.dll | msvcrt.dll | oleacc.dll | oleaut32.dll | ole32.dll) ;;
    *) fail "imports $dll (all imports: $imports)" ;;
  esac
done

properties=$(strings -el "$program" | paste -sd'|')
for pair in "FileVersion|$version" "ProductVersion|$version" "ProductName|MidiDrawbarBox" \
  "OriginalFilename|MidiDrawbarBox.exe" "LegalCopyright|Copyright (c) the MidiDrawbarBox authors, MIT License"; do
  grep -qF "|$pair|" <<<"|$properties|" || fail "no version property ${pair%%|*} = ${pair#*|}"
done
! grep -q '<assembly' < <(strings "$program") || fail "the program carries a manifest"
echo "passed: $size bytes, imports $imports, version $version"
