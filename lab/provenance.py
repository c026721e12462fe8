#!/usr/bin/env python3
"""Checks that every program and file the build and the tests use comes from a Debian
package that lab/setup.sh installs.

A program counts when the command the lab's PATH finds for it (followed through its
symbolic links) is a file of one of the listed packages, of a package they depend on,
or of Debian's base system (essential and required packages, which every machine has).
The files are the absolute paths that the CMake files name, and the files the build
finds by searching.

Usage: lab/provenance.py [package-list]   (default: lab/packages.txt)
Exits 1 and names each program or file, its path and the package that provides it
when one does not come from the list.
"""
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TRIPLES = ("x86_64-w64-mingw32", "i686-w64-mingw32")

# Each program the build, the lab scripts and the tests run, and the listed package
# that brings it.
PROGRAMS = {
    "cmake": "cmake", "ctest": "cmake", "ninja": "ninja-build",
    "python3": "python3",
    "xvfb-run": "xvfb", "Xvfb": "xvfb", "xauth": "xauth",
    "wine": "wine", "wineserver": "wine", "wineboot": "wine", "winepath": "wine",
    "wixl": "wixl", "import": "imagemagick",
    "curl": "curl", "unzip": "unzip", "openssl": "openssl",
    "apt-get": "apt", "dpkg-query": "dpkg", "tar": "tar",
    "clang-format": "clang-format",
}
for triple in TRIPLES:
    for tool in ("gcc-posix", "g++-posix", "windres", "ar"):
        PROGRAMS[f"{triple}-{tool}"] = "mingw-w64"
    PROGRAMS[f"{triple}-widl"] = "mingw-w64-tools"

# Files the build finds by searching rather than by a path written in a CMake file.
FOUND_FILES = {f"/usr/{triple}/lib/libz.a": "libz-mingw-w64-dev" for triple in TRIPLES}
FOUND_FILES["/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/stdole2.tlb"] = "libwine"


def read_package_list(path):
    with open(path, encoding="utf-8") as file:
        return [word for line in file for word in line.split("#", 1)[0].split()]


def installed_packages():
    """Installed packages: name -> (dependencies as alternative groups, provides, base)."""
    output = subprocess.run(
        ["dpkg-query", "-W", "-f", "${db:Status-Abbrev}\t${Package}\t${Depends}\t${Pre-Depends}\t"
         "${Provides}\t${Essential}\t${Priority}\n"],
        capture_output=True, text=True, check=True).stdout
    packages = {}
    for line in output.splitlines():
        status, name, depends, pre_depends, provides, essential, priority = line.split("\t")
        if not status.startswith("ii"):
            continue
        groups = [[strip_version(alternative) for alternative in group.split("|")]
                  for group in f"{depends},{pre_depends}".split(",") if group.strip()]
        packages[name] = (groups, [strip_version(p) for p in provides.split(",") if p.strip()],
                          essential == "yes" or priority == "required")
    return packages


def strip_version(relation):
    return re.sub(r"\(.*?\)", "", relation).strip().split(":")[0]


def closure(roots, packages):
    """The installed packages that the roots bring, following dependencies."""
    providers = {}
    for name, (_, provides, _) in packages.items():
        for virtual in provides:
            providers.setdefault(virtual, []).append(name)
    seen, pending = set(), [r for r in roots if r in packages]
    while pending:
        name = pending.pop()
        if name in seen:
            continue
        seen.add(name)
        for group in packages[name][0]:
            for alternative in group:
                pending += [p for p in [alternative] + providers.get(alternative, []) if p in packages]
    return seen


def link_chain(path):
    """The path and each file its symbolic links lead to, in order."""
    chain = [path]
    while os.path.islink(chain[-1]) and len(chain) < 40:
        chain.append(os.path.normpath(os.path.join(os.path.dirname(chain[-1]), os.readlink(chain[-1]))))
    return chain


def merged_usr_forms(path):
    """dpkg knows some files under /bin, others under /usr/bin (merged /usr)."""
    forms = {path}
    for short, long in (("/bin/", "/usr/bin/"), ("/sbin/", "/usr/sbin/"), ("/lib/", "/usr/lib/")):
        if path.startswith(long):
            forms.add(short + path[len(long):])
        elif path.startswith(short):
            forms.add(long + path[len(short):])
    return forms


def owners(paths):
    """For each path, the packages owning each step of its chain of links. A step that
    no package owns (an /etc/alternatives link) has an empty set."""
    chains = {path: link_chain(path) for path in paths}
    everything = sorted({form for chain in chains.values() for step in chain for form in merged_usr_forms(step)})
    result = subprocess.run(["dpkg-query", "-S"] + everything, capture_output=True, text=True)
    owned_by = {}
    for line in result.stdout.splitlines():
        names, _, owned = line.rpartition(": ")
        if owned in everything and not names.startswith("diversion by"):
            owned_by.setdefault(owned, set()).update(n.strip().split(":")[0] for n in names.split(","))
    return {path: [set().union(*(owned_by.get(form, set()) for form in merged_usr_forms(step))) for step in chain]
            for path, chain in chains.items()}


def cmake_paths():
    """Absolute paths written in the CMake files, with the target triples filled in."""
    paths = set()
    for folder, dirs, files in os.walk(ROOT):
        dirs[:] = [d for d in dirs if d not in (".git", ".deps", "build")]
        for name in files:
            if name == "CMakeLists.txt" or name.endswith(".cmake"):
                with open(os.path.join(folder, name), encoding="utf-8") as file:
                    for path in re.findall(r"(?<![\w}/.-])(/usr/[\w${}./+-]*)", file.read()):
                        if "${KELO_TRIPLE}" in path:
                            paths.update(path.replace("${KELO_TRIPLE}", t) for t in TRIPLES)
                        elif "$" not in path:
                            paths.add(path.rstrip("/"))
    return sorted(paths)


def main():
    list_path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "lab", "packages.txt")
    listed = read_package_list(list_path)
    packages = installed_packages()
    base = [name for name, (_, _, is_base) in packages.items() if is_base]
    allowed = closure(listed, packages) | closure(base, packages)
    list_name = os.path.relpath(list_path, ROOT) if list_path.startswith(ROOT) else list_path

    checks = [(program, shutil.which(program), package) for program, package in sorted(PROGRAMS.items())]
    checks += [(f"CMake path {path}", path, None) for path in cmake_paths()]
    checks += [(f"file {os.path.basename(path)}", path, package) for path, package in sorted(FOUND_FILES.items())]
    owned = owners([path for _, path, _ in checks if path and os.path.exists(path)])

    failures = []
    for what, path, package in checks:
        steps = [step for step in owned.get(path, []) if step]
        if steps and all(step & allowed for step in steps):
            continue
        owning = set().union(*(step - allowed for step in steps)) or set().union(*steps)
        provider = package or ", ".join(sorted(owning)) or "unknown"
        if path not in owned:
            where = "not found"
        elif not owning:
            where = f"{path} belongs to no Debian package"
        else:
            where = f"{path} comes from {', '.join(sorted(owning))}, which {list_name} does not bring"
        failures.append(f"{what}: {where} (provided by package {provider})")

    checked = len(checks)
    if failures:
        print(f"provenance: {len(failures)} of {checked} programs and files do not come from the lab's packages:")
        for failure in failures:
            print(f"  {failure}")
        return 1
    print(f"provenance: {checked} programs and files come from the lab's packages")
    return 0


if __name__ == "__main__":
    sys.exit(main())
