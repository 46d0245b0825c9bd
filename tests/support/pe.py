#!/usr/bin/python3
"""The names a Windows program or DLL exports, or the DLLs it imports, read from the file itself with
Debian's pefile (python3-pefile: run it with /usr/bin/python3).

    pe.py exports FILE    one exported name a line, in the table's order
    pe.py imports FILE    one imported DLL a line, as the file spells it
    pe.py manifests FILE  each application manifest (resource type 24): "ID LANGUAGE" on a line,
                          then its text

A file that is not a PE image, or whose tables point outside it, is an error (exit 1), never an
empty list.
"""
import sys

import pefile

MANIFEST_TYPE = 24


def imports(path):
    return [entry.dll.decode() for entry in pefile.PE(path).DIRECTORY_ENTRY_IMPORT]


def exports(path):
    return [symbol.name.decode() for symbol in pefile.PE(path).DIRECTORY_ENTRY_EXPORT.symbols]


def manifests(image):
    if not hasattr(image, "DIRECTORY_ENTRY_RESOURCE"):
        return
    for kind in image.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != MANIFEST_TYPE:
            continue
        for number in kind.directory.entries:
            for language in number.directory.entries:
                data = language.data.struct
                yield number.id, language.id, image.get_data(data.OffsetToData, data.Size)


def main(argv):
    if len(argv) != 3 or argv[1] not in ("exports", "imports", "manifests"):
        sys.stderr.write("usage: pe.py exports|imports|manifests FILE\n")
        return 2
    try:
        if argv[1] == "manifests":
            for number, language, text in manifests(pefile.PE(argv[2])):
                print(number, language)
                print(text.decode("utf-8"))
        else:
            print("\n".join(exports(argv[2]) if argv[1] == "exports" else imports(argv[2])))
    except (OSError, AttributeError, pefile.PEFormatError) as error:
        sys.stderr.write("pe.py: %s: %s\n" % (argv[2], error))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
