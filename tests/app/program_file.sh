#!/usr/bin/env bash
# The file a user copies: at most 64 KiB, importing KnownDLLs and common controls alone (so that no
# file beside it is loaded in a system DLL's place), carrying the project's version in its properties
# and one application manifest that declares per-monitor DPI awareness (v2, v1 where v2 is unknown,
# true/pm before both), common controls 6 and Windows 7 to 11, and nothing else. A function-local
# static with a thread-safe guard, or a library call that throws, each adds some 100 KiB of runtime;
# this catches it.
#   program_file.sh PROGRAM VERSION   (DBB_SOURCE_DIR: the source tree, for tests/support/pe.py)
set -euo pipefail
program=$1
version=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

size=$(stat -c %s "$program")
[ "$size" -le 65536 ] || fail "$program is $size bytes, more than 64 KiB"

imports=$(/usr/bin/python3 "${DBB_SOURCE_DIR:?}/tests/support/pe.py" imports "$program") ||
  fail "cannot read the imports of $program"
imports=$(tr 'A-Z' 'a-z' <<<"$imports" | sort | paste -sd' ')
# Windows takes a DLL that is not a KnownDLL from the program's folder first; common controls come
# side by side through the manifest. winmm and oleacc are no KnownDLLs: they are loaded at run time.
[ "$imports" = "comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll user32.dll" ] ||
  fail "imports $imports"

properties=$(strings -el "$program" | paste -sd'|')
for pair in "FileVersion|$version" "ProductVersion|$version" "ProductName|MidiDrawbarBox" \
  "OriginalFilename|MidiDrawbarBox.exe" "LegalCopyright|Copyright (c) the MidiDrawbarBox authors, MIT License"; do
  grep -qF "|$pair|" <<<"|$properties|" || fail "no version property ${pair%%|*} = ${pair#*|}"
done
# One manifest, resource 1, as app/MidiDrawbarBox.manifest has it: these declarations and no others.
manifest=$(/usr/bin/python3 "$DBB_SOURCE_DIR/tests/support/pe.py" manifests "$program") || fail "cannot read its manifests"
[ "$manifest" = "1 1033"$'\n'"$(cat "$DBB_SOURCE_DIR/app/MidiDrawbarBox.manifest")" ] || fail "manifests: $manifest"
for part in '>PerMonitorV2, PerMonitor<' '>true/pm<' 'Common-Controls" version="6.0.0.0"' 35138b9a 4a2f28e3 1f676c76 8e0f7a12; do
  grep -qF -- "$part" <<<"$manifest" || fail "the manifest lacks $part"
done
[ "$(grep -o '<[a-zA-Z]\+' <<<"$manifest" | sort -u | paste -sd' ')" = "<application <assembly <assemblyIdentity \
<compatibility <dependency <dependentAssembly <dpiAware <dpiAwareness <supportedOS <windowsSettings" ] ||
  fail "the manifest declares more than DPI awareness, common controls 6 and the Windows versions"
echo "passed: $size bytes, imports $imports, version $version, the manifest"
