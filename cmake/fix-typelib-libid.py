#!/usr/bin/env python3
"""Writes the library id of a widl header into the type library widl made with it.

Wine's widl 8 writes a wrong last byte into the library id of a type library whose
library block holds a coclass with a dispinterface; the header's LIBID_ definition is
right. Other versions write it right, and then this changes nothing.
Usage: fix-typelib-libid.py <file.tlb> <file_h.h>
"""
import re
import struct
import sys
import uuid

tlb_path, header_path = sys.argv[1], sys.argv[2]
header = open(header_path, encoding="latin-1").read()
match = re.search(r"DEFINE_GUID\(LIBID_\w+,\s*(0x[0-9a-fA-F]+),\s*(0x[0-9a-fA-F]+),\s*(0x[0-9a-fA-F]+),"
                  r"((?:\s*0x[0-9a-fA-F]+,?){8})\)", header)
if not match:
    sys.exit(0)  # no library in this IDL
d1, d2, d3 = (int(match.group(i), 16) for i in (1, 2, 3))
d4 = bytes(int(b, 16) for b in re.findall(r"0x[0-9a-fA-F]+", match.group(4)))
libid = struct.pack("<IHH", d1, d2, d3) + d4

data = bytearray(open(tlb_path, "rb").read())
if data[:4] != b"MSFT":
    sys.exit(f"{tlb_path}: not an MSFT type library")
posguid, varflags, typeinfo_count = (struct.unpack_from("<i", data, off)[0] for off in (8, 20, 32))
directory = 0x54 + (4 if varflags & 0x100 else 0) + 4 * typeinfo_count
guid_table = struct.unpack_from("<i", data, directory + 16 * 5)[0]
data[guid_table + posguid:guid_table + posguid + 16] = libid
open(tlb_path, "wb").write(bytes(data))
print(f"{tlb_path}: library id {uuid.UUID(bytes_le=libid)}")
