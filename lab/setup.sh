#!/usr/bin/env bash
# Installs what the build and the lab need: Debian packages (only when one is missing)
# and the zip writer sources that ship with zlib (fetched once into .deps/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake ninja-build python3 xvfb xauth
  mingw-w64 mingw-w64-tools libz-mingw-w64-dev
  wine64 libwine-dev
  googletest unzip curl openssl wixl
  imagemagick
)

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
  cat > "$work/parts/src.sources" <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
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
