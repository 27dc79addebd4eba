#!/usr/bin/env python3
"""Writes the library's own GUID back into a type library made by widl.

widl (7.0 and 8.0) corrupts the last byte of the library GUID when the library holds both a
dispinterface and a coclass; the file is otherwise sound. Usage: restore_libid.py TLB GUID
"""
import sys
import uuid

path, text = sys.argv[1], sys.argv[2]
guid = uuid.UUID(text).bytes_le
data = bytearray(open(path, "rb").read())
if guid not in data:
    at = data.find(guid[:15])
    if at < 0:
        sys.exit("restore_libid: library GUID not found in " + path)
    data[at + 15] = guid[15]
    open(path, "wb").write(data)
