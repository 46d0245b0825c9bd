#!/usr/bin/env python3
"""Writes a zip that depends on nothing but the files' contents: one folder, entries in the order
given, every entry with the time of SOURCE_DATE_EPOCH (at least 1980, the earliest a zip can say),
the same attributes and the same compression.

  release_zip.py ZIP FOLDER FILE...
  release_zip.py --check-guide GUIDE    checks the player's guide that a release carries
"""
import os
import sys
import time
import zipfile


def main(zip_path, folder, files):
    epoch = max(int(os.environ.get("SOURCE_DATE_EPOCH", "315532800")), 315532800)
    stamp = time.gmtime(epoch)[:6]
    with zipfile.ZipFile(zip_path, "w") as archive:
        for path in files:
            entry = zipfile.ZipInfo(folder + "/" + os.path.basename(path), date_time=stamp)
            entry.create_system = 0  # MS-DOS attributes, as Windows' own zips have
            entry.external_attr = 0x20  # an ordinary file
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                archive.writestr(entry, source.read(), compresslevel=9)


# What the guide must tell a player, each under a heading of its own (underlined with "-").
GUIDE_SECTIONS = ("Starting it", "Playing", "What each control sends", "Screen readers and high-DPI screens",
                  "When the cable comes out", "Checking the download")


def check_guide(path):
    """Notepad's plain text: CR LF only, printable ASCII, short lines; and every section there.
    Gives what is wrong, or nothing."""
    with open(path, "rb") as source:
        text = source.read()
    problems = []
    if text.replace(b"\r\n", b"").count(b"\n") or text.replace(b"\r\n", b"").count(b"\r"):
        problems.append("a line does not end in CR LF")
    lines = text.split(b"\r\n")
    for number, line in enumerate(lines, 1):
        if any(byte < 0x20 or byte > 0x7E for byte in line.rstrip(b"\r\n")) or len(line) > 78:
            problems.append("line %d is longer than 78 characters or not printable ASCII" % number)
    headings = {lines[i].decode("ascii", "replace") for i in range(len(lines) - 1)
                if lines[i + 1].startswith(b"---") and len(lines[i + 1]) == len(lines[i])}
    problems += ["no section \"%s\"" % name for name in GUIDE_SECTIONS if name not in headings]
    return problems


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--check-guide":
        found = check_guide(sys.argv[2])
        sys.exit("release: the guide %s: %s" % (sys.argv[2], "; ".join(found)) if found else 0)
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
