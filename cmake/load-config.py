"""Points the exe's load configuration entry at its _load_config_used object.

GNU ld (2.40 here) leaves the entry empty whatever the program defines, so the loader would
never see the object's DependentLoadFlags. The object's address comes from the link map. The
header's checksum is then made anew, as the linker made it for the bytes it wrote: signing
tools recompute it, and a stale one would be the only other byte a signature changes.
"""

import array
import re
import struct
import sys

LOAD_CONFIG = 10  # IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG


def main(exe_path, map_path):
    with open(map_path, encoding="utf-8", errors="replace") as f:
        found = re.findall(r"^\s+0x([0-9a-f]+)\s+_load_config_used$", f.read(), re.MULTILINE)
    if len(found) != 1:
        sys.exit("%s: _load_config_used found %d times in the link map" % (map_path, len(found)))
    with open(exe_path, "r+b") as exe:
        data = bytearray(exe.read())
        header = struct.unpack_from("<I", data, 0x3C)[0]
        optional = header + 24
        if data[header:header + 4] != b"PE\0\0" or struct.unpack_from("<H", data, optional)[0] != 0x20B:
            sys.exit("%s: not a PE32+ image" % exe_path)
        image_base = struct.unpack_from("<Q", data, optional + 24)[0]
        rva = int(found[0], 16) - image_base
        entry = optional + 112 + 8 * LOAD_CONFIG
        current = struct.unpack_from("<II", data, entry)
        # The object's first field is its size, as the loader reads it.
        size = struct.unpack_from("<I", data, offset_of(data, header, rva))[0]
        if current not in ((0, 0), (rva, size)):
            sys.exit("%s: the load configuration entry already points elsewhere: %r" % (exe_path, current))
        struct.pack_into("<II", data, entry, rva, size)
        checksum_field = optional + 64
        struct.pack_into("<I", data, checksum_field, pe_checksum(data, checksum_field))
        exe.seek(0)
        exe.write(data)


def pe_checksum(data, field):
    """The image checksum: the 16-bit one's-complement sum of the file without the checksum
    field, plus the file's length."""
    words = array.array("H", bytes(data) + b"\0" * (len(data) % 2))
    if sys.byteorder != "little":
        words.byteswap()
    total = sum(words) - words[field // 2] - words[field // 2 + 1]
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def offset_of(data, header, rva):
    """The file offset of an address in the image, through the section table."""
    sections, optional_size = struct.unpack_from("<H12xH", data, header + 6)
    table = header + 24 + optional_size
    for number in range(sections):
        size, address, _, offset = struct.unpack_from("<IIII", data, table + 40 * number + 8)
        if address <= rva < address + size:
            return offset + rva - address
    sys.exit("address 0x%x lies in no section" % rva)


if __name__ == "__main__":
    main(*sys.argv[1:])
