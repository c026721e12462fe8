#!/usr/bin/env python3
"""Writes a language file as the client reads it (UTF-16 little-endian with its byte
order mark, CR LF line ends) from its UTF-8 source. Usage: make_language_file.py <in> <out>"""
import sys

source, target = sys.argv[1], sys.argv[2]
lines = open(source, encoding="utf-8").read().splitlines()
with open(target, "wb") as out:
    out.write("\ufeff".encode("utf-16-le"))
    out.write("".join(line + "\r\n" for line in lines).encode("utf-16-le"))
