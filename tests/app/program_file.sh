#!/usr/bin/env bash
# The file a user copies: at most 64 KiB, importing only Windows' own DLLs, carrying the project's
# version in its properties and one application manifest that declares per-monitor DPI awareness
# (v2, true/pm before it), common controls 6 and Windows 7 to 11, and nothing else. A function-local
# static with a thread-safe guard, or a library call that throws, each adds some 100 KiB of runtime;
# this catches it.
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
    kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | winmm.dll | msvcrt.dll | oleacc.dll | oleaut32.dll) ;;
    *) fail "imports $dll (all imports: $imports)" ;;
  esac
done

properties=$(strings -el "$program" | paste -sd'|')
for pair in "FileVersion|$version" "ProductVersion|$version" "ProductName|MidiDrawbarBox" \
  "OriginalFilename|MidiDrawbarBox.exe" "LegalCopyright|Copyright (c) the MidiDrawbarBox authors, MIT License"; do
  grep -qF "|$pair|" <<<"|$properties|" || fail "no version property ${pair%%|*} = ${pair#*|}"
done
# Every element and attribute of the manifest, one a line, its namespace left out: exactly these.
manifest=$(python3 "$DBB_SOURCE_DIR/tools/pe_table.py" manifests "$program" | python3 -c '
import sys, xml.etree.ElementTree as tree
lines = sys.stdin.read().split("\n", 1)
print("resource", lines[0])
def walk(element, depth):
    attributes = " ".join("%s=%s" % (k, v) for k, v in sorted(element.attrib.items()))
    text = (element.text or "").strip()
    print(" " * depth + element.tag.split("}")[-1], attributes, text)
    for child in element:
        walk(child, depth + 1)
walk(tree.fromstring(lines[1].strip()), 0)') || fail "cannot read the manifest of $program"
expected="resource 1 1033
assembly manifestVersion=1.0 
 dependency  
  dependentAssembly  
   assemblyIdentity language=* name=Microsoft.Windows.Common-Controls processorArchitecture=* publicKeyToken=6595b64144ccf1df type=win32 version=6.0.0.0 
 compatibility  
  application  
   supportedOS Id={35138b9a-5d96-4fbd-8e2d-a2440225f93a} 
   supportedOS Id={4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38} 
   supportedOS Id={1f676c76-80e1-4239-95bb-83d0f6d0da78} 
   supportedOS Id={8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a} 
 application  
  windowsSettings  
   dpiAware  true/pm
   dpiAwareness  PerMonitorV2"
[ "$manifest" = "$expected" ] || fail "the manifest is not the one expected (resource type 24, id 1, language 1033):
$(diff <(echo "$expected") <(echo "$manifest"))"
echo "passed: $size bytes, imports $imports, version $version, the manifest"
