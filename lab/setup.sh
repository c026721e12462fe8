#!/usr/bin/env bash
# Installs what the build and the lab need: the Debian packages of lab/packages.txt (only
# when one is missing) and the zip writer sources that ship with zlib (fetched once into
# .deps/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/lab/system-path.sh"

mapfile -t packages < <(sed 's/#.*//' "$root/lab/packages.txt" | xargs -n1)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "lab: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# minizip has no mingw package: take its sources from Debian's zlib source package,
# through a private source list that leaves the machine's apt configuration alone.
minizip="$root/.deps/minizip"
if [ ! -f "$minizip/zip.c" ]; then
  echo "lab: fetching the minizip sources"
  work="$root/.deps/zlib-source"
  rm -rf "$work" && mkdir -p "$work/lists/partial" "$work/parts"
  . /etc/os-release
  # The source packages come from the archive this machine already installs from.
  uris=$(apt-get indextargets --no-release-info --format '$(REPO_URI) $(RELEASE) $(COMPONENT) $(TARGET_OF)' |
         awk -v suite="$VERSION_CODENAME" '$2 == suite && $3 == "main" && $4 == "deb" { print $1 }' | sort -u | xargs)
  if [ -z "$uris" ]; then
    echo "lab: apt has no source for $VERSION_CODENAME main; cannot fetch the zlib sources" >&2
    exit 1
  fi
  cat > "$work/parts/src.sources" <<SRC
Types: deb-src
URIs: ${uris}
Suites: ${VERSION_CODENAME}
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt_opts=(-qq -o Dir::Etc::SourceParts="$work/parts" -o Dir::Etc::SourceList=/dev/null
            -o Dir::State::Lists="$work/lists" -o APT::Sandbox::User=root)
  apt-get "${apt_opts[@]}" update
  (cd "$work" && apt-get "${apt_opts[@]}" source --download-only zlib >/dev/null)
  mkdir -p "$minizip"
  tar -xf "$work"/zlib_*.orig.tar.* -C "$minizip" --strip-components=3 --wildcards '*/contrib/minizip/*'
  rm -rf "$work"
fi
