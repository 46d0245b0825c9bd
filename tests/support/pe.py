#!/usr/bin/python3
"""What a Windows program or DLL exports or imports, or its application manifests, read with Debian's
pefile (run it with /usr/bin/python3). Exit code 1 for a file that is not a PE image.

    pe.py exports|imports FILE   a name a line, in the table's order
    pe.py manifests FILE         each manifest (resource type 24): "ID LANGUAGE" on a line, then its text
"""
import sys

import pefile


def imports(path):
    return [entry.dll.decode() for entry in pefile.PE(path).DIRECTORY_ENTRY_IMPORT]


def exports(path):
    return [symbol.name.decode() for symbol in pefile.PE(path).DIRECTORY_ENTRY_EXPORT.symbols]


def manifests(path):
    image = pefile.PE(path)
    for kind in image.DIRECTORY_ENTRY_RESOURCE.entries if hasattr(image, "DIRECTORY_ENTRY_RESOURCE") else ():
        for number in kind.directory.entries if kind.id == 24 else ():
            for language in number.directory.entries:
                data = language.data.struct
                yield "%d %d\n%s" % (number.id, language.id, image.get_data(data.OffsetToData, data.Size).decode())


if __name__ == "__main__":
    verbs = {"exports": exports, "imports": imports, "manifests": manifests}
    if len(sys.argv) != 3 or sys.argv[1] not in verbs:
        sys.exit("usage: pe.py exports|imports|manifests FILE")
    try:
        sys.stdout.write("".join(line + "\n" for line in verbs[sys.argv[1]](sys.argv[2])))
    except (OSError, AttributeError, pefile.PEFormatError) as error:
        sys.exit("pe.py: %s: %s" % (sys.argv[2], error))
