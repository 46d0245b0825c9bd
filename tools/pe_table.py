#!/usr/bin/env python3
"""The names a Windows program or DLL exports, or the DLLs it imports, read from the file itself.

    pe_table.py exports FILE    one exported name a line, in the table's order
    pe_table.py imports FILE    one imported DLL a line, as the file spells it
    pe_table.py manifests FILE  each application manifest (resource type 24): "ID LANGUAGE" on a line,
                                then its text

The tests read these straight from the PE headers rather than from a disassembler's listing, whose
layout changes between versions. A file that is not a PE image, or whose tables point outside it,
is an error (exit 1), never an empty list.
"""
import struct
import sys

EXPORT_DIRECTORY, IMPORT_DIRECTORY, RESOURCE_DIRECTORY = 0, 1, 2
MANIFEST_TYPE = 24


class Malformed(Exception):
    pass


def u16(data, offset):
    if offset < 0 or offset + 2 > len(data):
        raise Malformed("read past the end at %#x" % offset)
    return struct.unpack_from("<H", data, offset)[0]


def u32(data, offset):
    if offset < 0 or offset + 4 > len(data):
        raise Malformed("read past the end at %#x" % offset)
    return struct.unpack_from("<I", data, offset)[0]


def image(data):
    """The sections (virtual address, size, file offset) and the data directories (rva, size)."""
    if data[:2] != b"MZ":
        raise Malformed("no MZ header")
    pe = u32(data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise Malformed("no PE signature")
    coff = pe + 4
    section_count = u16(data, coff + 2)
    optional = coff + 20
    optional_size = u16(data, coff + 16)
    magic = u16(data, optional)
    if magic == 0x10B:
        directories = optional + 96
    elif magic == 0x20B:
        directories = optional + 112
    else:
        raise Malformed("unknown optional header %#x" % magic)
    directory_count = u32(data, directories - 4)
    dirs = [(u32(data, directories + 8 * i), u32(data, directories + 8 * i + 4))
            for i in range(min(directory_count, 16))]
    table = optional + optional_size
    sections = []
    for i in range(section_count):
        entry = table + 40 * i
        virtual_size, address = u32(data, entry + 8), u32(data, entry + 12)
        raw_size, raw_offset = u32(data, entry + 16), u32(data, entry + 20)
        sections.append((address, max(virtual_size, raw_size), raw_offset, raw_size))
    return sections, dirs


def offset_of(sections, rva):
    for address, size, raw_offset, raw_size in sections:
        if address <= rva < address + size:
            if rva - address >= raw_size:
                raise Malformed("rva %#x is not in the file" % rva)
            return raw_offset + rva - address
    raise Malformed("rva %#x is in no section" % rva)


def text_at(data, sections, rva):
    start = offset_of(sections, rva)
    end = data.find(b"\0", start)
    if end < 0:
        raise Malformed("unterminated name at %#x" % rva)
    return data[start:end].decode("latin-1")


def exports(data):
    sections, dirs = image(data)
    if len(dirs) <= EXPORT_DIRECTORY or dirs[EXPORT_DIRECTORY][0] == 0:
        return []
    table = offset_of(sections, dirs[EXPORT_DIRECTORY][0])
    count, names = u32(data, table + 24), u32(data, table + 32)
    first = offset_of(sections, names) if count else 0
    return [text_at(data, sections, u32(data, first + 4 * i)) for i in range(count)]


def imports(data):
    sections, dirs = image(data)
    if len(dirs) <= IMPORT_DIRECTORY or dirs[IMPORT_DIRECTORY][0] == 0:
        return []
    entry = offset_of(sections, dirs[IMPORT_DIRECTORY][0])
    dlls = []
    while any(u32(data, entry + field) for field in range(0, 20, 4)):
        dlls.append(text_at(data, sections, u32(data, entry + 12)))
        entry += 20
    return dlls


def manifests(data):
    """(id, language, bytes) of each resource of type 24; names instead of numbers are an error."""
    sections, dirs = image(data)
    if len(dirs) <= RESOURCE_DIRECTORY or dirs[RESOURCE_DIRECTORY][0] == 0:
        return []
    root = offset_of(sections, dirs[RESOURCE_DIRECTORY][0])

    def entries(directory):
        """(numeric id, offset of what it points to, points to a directory) of a resource directory."""
        count = u16(data, directory + 12) + u16(data, directory + 14)
        result = []
        for i in range(count):
            name, target = u32(data, directory + 16 + 8 * i), u32(data, directory + 20 + 8 * i)
            if name & 0x80000000:
                raise Malformed("a named resource where a number was expected")
            result.append((name, root + (target & 0x7FFFFFFF), bool(target & 0x80000000)))
        return result

    found = []
    for kind, types, _ in entries(root):
        if kind != MANIFEST_TYPE:
            continue
        for number, languages, _ in entries(types):
            for language, leaf, _ in entries(languages):
                start = offset_of(sections, u32(data, leaf))
                found.append((number, language, data[start:start + u32(data, leaf + 4)]))
    return found


def main(argv):
    if len(argv) != 3 or argv[1] not in ("exports", "imports", "manifests"):
        sys.stderr.write("usage: pe_table.py exports|imports|manifests FILE\n")
        return 2
    try:
        with open(argv[2], "rb") as f:
            data = f.read()
        if argv[1] == "manifests":
            for number, language, text in manifests(data):
                print(number, language)
                print(text.decode("utf-8"))
            return 0
        names = exports(data) if argv[1] == "exports" else imports(data)
    except (OSError, Malformed) as error:
        sys.stderr.write("pe_table.py: %s: %s\n" % (argv[2], error))
        return 1
    for name in names:
        print(name)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
