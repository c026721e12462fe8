#!/usr/bin/env python3
"""Checks that every C++ source of the tree follows .clang-format; names the files that do not."""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SKIP = {"build", ".deps", ".git"}


def sources():
    for folder, subfolders, files in os.walk(ROOT):
        subfolders[:] = sorted(d for d in subfolders if d not in SKIP)
        yield from (os.path.join(folder, f) for f in sorted(files) if f.endswith((".cpp", ".h")))


def main():
    clang_format = sys.argv[1] if len(sys.argv) > 1 else "clang-format"
    unformatted = [path for path in sources()
                   if subprocess.run([clang_format, "--dry-run", "--Werror", path],
                                     capture_output=True).returncode != 0]
    for path in unformatted:
        print(f"{os.path.relpath(path, ROOT)} does not follow .clang-format (clang-format -i fixes it)")
    return 1 if unformatted else 0


if __name__ == "__main__":
    sys.exit(main())
