#!/usr/bin/env python3
"""Writes a .tar.gz or .zip of a directory whose bytes depend only on the files' contents.

Entries are sorted by name, every date is the given one, owners are 0 without names and
modes are 0755 for executables and directories, 0644 for the rest, so two builds of one
commit give identical archives. The format follows the output's extension.
"""

import argparse
import gzip
import io
import os
import stat
import tarfile
import time
import zipfile

ZIP_EARLIEST = 315532800  # 1980-01-01T00:00:00Z: a zip cannot hold an earlier date


def collect(root):
    """Yields (archive name, path, is directory) for everything below root, sorted."""
    entries = []
    for directory, subdirectories, files in os.walk(root):
        for name in subdirectories + files:
            path = os.path.join(directory, name)
            relative = os.path.relpath(path, root).replace(os.sep, "/")
            if os.path.islink(path):
                raise SystemExit(f"refusing to pack symbolic link {path}")
            entries.append((relative, path, os.path.isdir(path)))
    return sorted(entries)


def mode_of(path, is_directory):
    if is_directory or os.stat(path).st_mode & stat.S_IXUSR:
        return 0o755
    return 0o644


def write_tar_gz(output, prefix, entries, mtime):
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode="w", format=tarfile.GNU_FORMAT) as archive:
        for name, path, is_directory in [(prefix, None, True)] + entries:
            info = tarfile.TarInfo(name if path is None else f"{prefix}/{name}")
            info.mtime = mtime
            info.uid = info.gid = 0
            info.uname = info.gname = ""
            info.mode = 0o755 if path is None else mode_of(path, is_directory)
            if is_directory:
                info.type = tarfile.DIRTYPE
                archive.addfile(info)
            else:
                with open(path, "rb") as source:
                    data = source.read()
                info.size = len(data)
                archive.addfile(info, io.BytesIO(data))
    # No file name and a zero date in the gzip header, as `gzip -n` writes it.
    with open(output, "wb") as raw:
        with gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=9, mtime=0) as compressed:
            compressed.write(buffer.getvalue())


def write_zip(output, prefix, entries, mtime):
    date_time = time.gmtime(max(mtime, ZIP_EARLIEST))[:6]
    with zipfile.ZipFile(output, "w") as archive:
        for name, path, is_directory in [(prefix, None, True)] + entries:
            mode = 0o755 if path is None else mode_of(path, is_directory)
            full_name = name if path is None else f"{prefix}/{name}"
            info = zipfile.ZipInfo(full_name + "/" if is_directory else full_name, date_time)
            info.create_system = 3  # Unix, so the modes below are read back
            if is_directory:
                info.external_attr = ((stat.S_IFDIR | mode) << 16) | 0x10
                archive.writestr(info, b"")
            else:
                info.external_attr = (stat.S_IFREG | mode) << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as source:
                    archive.writestr(info, source.read(), compresslevel=9)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--mtime", type=int, required=True, help="date of every entry, seconds since 1970")
    parser.add_argument("--prefix", required=True, help="top directory inside the archive")
    parser.add_argument("root", help="directory whose contents are packed")
    parser.add_argument("output", help="archive to write, .tar.gz or .zip")
    arguments = parser.parse_args()

    entries = collect(arguments.root)
    if arguments.output.endswith(".tar.gz"):
        write_tar_gz(arguments.output, arguments.prefix, entries, arguments.mtime)
    elif arguments.output.endswith(".zip"):
        write_zip(arguments.output, arguments.prefix, entries, arguments.mtime)
    else:
        raise SystemExit(f"unknown archive type: {arguments.output}")


if __name__ == "__main__":
    main()
