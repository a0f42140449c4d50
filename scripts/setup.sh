#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test tovak:
# the mingw-w64 i686 and x86-64 (posix threads) compilers, wine with its
# 32-bit and 64-bit parts, zip and unzip for the release package, NSIS for
# its installer, GoogleTest, Google Benchmark, clang's fuzzer runtime,
# ImageMagick for checking written bitmaps, libspng and libimagequant for
# the converter, gdk-pixbuf and the desktop programs that test its GIM
# loader, and Debian's libsquish, libspng, zlib and libimagequant sources,
# unpacked outside the
# repository. Safe to run twice; prints
# nothing when nothing is missing.
set -euo pipefail

deps_dir="${TOVAK_DEPS_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/tovak}"

packages=(
  cmake ninja-build g++ make pkg-config dpkg-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine32:i386 wine64
  zip unzip
  # NSIS, which makes the Windows installer.
  nsis
  googletest libbenchmark-dev
  clang-14 libclang-rt-14-dev
  imagemagick
  libspng-dev
  # The converter's quantiser (GPL-3.0-or-later; only the converter links it).
  libimagequant-dev
  # Unicorn and Capstone for emu32, which runs tovak.spi where the machine
  # cannot execute 32-bit programs.
  python3-unicorn python3-capstone
  # The gdk-pixbuf loader, and the desktop programs its tests load GIM
  # pictures with: GdkPixbuf from Python, the MIME database, xdg-mime,
  # gdk-pixbuf-thumbnailer, Eye of GNOME under Xvfb (xauth for xvfb-run),
  # gio, through which xdg-mime answers as on GNOME.
  libgdk-pixbuf-2.0-dev python3-gi gir1.2-gdkpixbuf-2.0 libgdk-pixbuf2.0-bin
  shared-mime-info xdg-utils eog xvfb xauth libglib2.0-bin
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

say() { printf 'setup: %s\n' "$*"; }

need_update=0

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_update=1
fi

# apt-get source needs a deb-src entry for the suite the machine runs.
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  say "adding a deb-src entry"
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")"
  printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$codename" "$codename" | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/tovak-src.sources >/dev/null
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

squish_missing=0
if ! ls -d "$deps_dir"/libsquish-*/ >/dev/null 2>&1; then squish_missing=1; fi

if [ "$need_update" -eq 1 ] || [ "${#missing[@]}" -gt 0 ] || [ "$squish_missing" -eq 1 ]; then
  say "updating the package lists"
  "${sudo_cmd[@]}" apt-get update -qq >/dev/null
fi

if [ "${#missing[@]}" -gt 0 ]; then
  say "installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "$squish_missing" -eq 1 ]; then
  say "fetching the libsquish source package into $deps_dir"
  mkdir -p "$deps_dir"
  (cd "$deps_dir" && apt-get source -qq libsquish >/dev/null 2>&1)
  ls -d "$deps_dir"/libsquish-*/ >/dev/null
fi

# The converter's PNG writer, its zlib and its quantiser, compiled for
# Windows from Debian's source packages as libsquish is.
for source in libspng zlib libimagequant; do
  if ! ls -d "$deps_dir/$source"-*/ >/dev/null 2>&1; then
    say "fetching the $source source package into $deps_dir"
    mkdir -p "$deps_dir"
    (cd "$deps_dir" && apt-get source -qq "$source" >/dev/null 2>&1)
    ls -d "$deps_dir/$source"-*/ >/dev/null
  fi
done

# Wine builds its prefix on first start; do it here so that the first test
# under wine does not pay for it inside a timeout. The default prefix is
# 32-bit Wine's, which machines that cannot run 32-bit programs never start.
source "$(dirname "$0")/windows-here.sh"
if runs_32_bit && [ ! -f "${WINEPREFIX:-$HOME/.wine}/system.reg" ]; then
  say "creating the wine prefix"
  WINEDEBUG=-all wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi
# The 64-bit tests run in a 64-bit prefix of their own: the default one may
# have been made 32-bit only, before wine64 was installed.
wine64_prefix="$HOME/.wine64"
if [ ! -f "$wine64_prefix/system.reg" ]; then
  say "creating the 64-bit wine prefix $wine64_prefix"
  WINEDEBUG=-all WINEPREFIX="$wine64_prefix" WINEARCH=win64 /usr/lib/wine/wine64 wineboot -i \
    >/dev/null 2>&1 || true
  WINEPREFIX="$wine64_prefix" wineserver -w 2>/dev/null || true
fi
