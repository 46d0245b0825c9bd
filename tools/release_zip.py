"""Writes a zip that depends on nothing but the files' contents: one folder, entries in the order
given, every entry with the time of SOURCE_DATE_EPOCH (at least 1980, the earliest a zip can say),
the same attributes and the same compression.

  release_zip.py ZIP FOLDER FILE...
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


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
