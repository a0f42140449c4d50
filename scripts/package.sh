#!/usr/bin/env bash
# Builds both plug-ins, the WIC decoders and the 64-bit converter and writes
# the release package build/tovak-VERSION.zip: tovak.spi (32-bit hosts),
# tovak.sph (64-bit hosts), tovak-wic.dll for 64-bit and 32-bit programs
# (wic/64-bit, wic/32-bit), tovak.exe (the command-line converter), a
# commented tovak.ini with
# the defaults, README.txt for users, tovak's licence and the licence of
# libspng, which tovak.exe contains and whose licence asks binaries to carry
# it. tovak.exe also contains libimagequant, which is GPL-3.0-or-later: it is
# distributed under that licence, whose text ships as GPL-3.0.txt beside
# libimagequant's own notice. VERSION is the project version that CMake
# holds. (libsquish is not in
# the DLLs: they decode DXT blocks themselves, so its licence does not ship.
# zlib's licence asks nothing of binaries.) Beside the zip it writes the
# Windows installer build/tovak-VERSION-setup.exe, which installs the same
# files.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake --preset windows >/dev/null
cmake --build --preset windows --target tovak tovak_wic
cmake --preset windows64 >/dev/null
cmake --build --preset windows64 --target tovak tovak_wic tovak_cli

cache_value() { sed -n "s/^$2:[A-Z]*=//p" "build/$1/CMakeCache.txt"; }
version="$(cache_value windows CMAKE_PROJECT_VERSION)"
[ -n "$version" ] || { echo "package: no project version in build/windows" >&2; exit 1; }
spng="$(cache_value windows64 TOVAK_SPNG_SOURCE)"
[ -f "$spng/LICENSE" ] || { echo "package: no LICENSE in the libspng source '$spng'" >&2; exit 1; }
imagequant="$(cache_value windows64 TOVAK_IMAGEQUANT_SOURCE)"
[ -f "$imagequant/COPYRIGHT" ] || { echo "package: no COPYRIGHT in the libimagequant source '$imagequant'" >&2; exit 1; }
gpl=/usr/share/common-licenses/GPL-3
[ -f "$gpl" ] || { echo "package: no $gpl" >&2; exit 1; }
squish="$(cache_value windows64 TOVAK_SQUISH_SOURCE)"
[ -f "$squish/LICENSE.txt" ] || { echo "package: no LICENSE.txt in the libsquish source '$squish'" >&2; exit 1; }
# tovak.exe links mingw-w64's winpthreads statically; its notices come from
# the toolchain's own copyright file.
mingw_copyright=/usr/share/doc/mingw-w64-x86-64-dev/copyright
[ -f "$mingw_copyright" ] || { echo "package: no $mingw_copyright" >&2; exit 1; }

stage="build/package/tovak-$version"
zip="build/tovak-$version.zip"
rm -rf "$stage" "$zip"
mkdir -p "$stage"
cp build/windows/tovak.spi build/windows64/tovak.sph build/windows64/tovak.exe "$stage/"
mkdir -p "$stage/wic/64-bit" "$stage/wic/32-bit"
cp build/windows64/tovak-wic.dll "$stage/wic/64-bit/"
cp build/windows/tovak-wic.dll "$stage/wic/32-bit/"
# Text files in Windows line endings, for the editors users open them in.
crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$1" >"$2"; }
crlf build/windows/tovak.ini "$stage/tovak.ini"
background="$(cache_value windows TOVAK_DEFAULT_BACKGROUND)"
sed -e "s/@VERSION@/$version/" -e "s/@BACKGROUND@/$background/" package/README.txt >"$stage/README.tmp"
crlf "$stage/README.tmp" "$stage/README.txt"
rm "$stage/README.tmp"
crlf LICENSE "$stage/LICENSE.txt"
crlf "$spng/LICENSE" "$stage/libspng-LICENSE.txt"
crlf "$squish/LICENSE.txt" "$stage/libsquish-LICENSE.txt"
crlf "$imagequant/COPYRIGHT" "$stage/libimagequant-LICENSE.txt"
crlf "$gpl" "$stage/GPL-3.0.txt"
# The first paragraph of more than one line that starts with the given
# line in the Debian copyright file, its continuation lines unindented and
# its " ." lines blank.
paragraph() {
  awk -v first="$1" '$0 == first { on = 1; text = ""; lines = 0 }
    on && /^$/ { if (lines > 1) { printf "%s", text; exit } on = 0 }
    on { sub(/^ \.$/, ""); sub(/^ /, ""); text = text $0 "\n"; lines++ }' "$mingw_copyright"
}
{
  echo "tovak.exe contains winpthreads, part of mingw-w64:"
  echo
  paragraph "Files: mingw-w64-libraries/winpthreads/*"
  echo
  paragraph "License: expat"
  echo
  paragraph "Files: mingw-w64-libraries/winpthreads/include/pthread.h"
} >"$stage/winpthreads.tmp"
crlf "$stage/winpthreads.tmp" "$stage/winpthreads-LICENSE.txt"
rm "$stage/winpthreads.tmp"

(cd "$stage" && zip -q -X "../../tovak-$version.zip" tovak.spi tovak.sph tovak.exe tovak.ini \
  README.txt LICENSE.txt libspng-LICENSE.txt libsquish-LICENSE.txt winpthreads-LICENSE.txt \
  libimagequant-LICENSE.txt GPL-3.0.txt)
(cd "$stage" && zip -q -X "../../tovak-$version.zip" wic/64-bit/tovak-wic.dll \
  wic/32-bit/tovak-wic.dll)
echo "package: $zip"
unzip -l "$zip"

# ---- The Windows installer: build/tovak-VERSION-setup.exe beside the zip,
# made by NSIS (installer/tovak.nsi) from the same staged files. Its version
# resource takes four numbers.
file_version="$version"
while [ "$(tr -cd . <<<"$file_version" | wc -c)" -lt 3 ]; do file_version="$file_version.0"; done
setup="build/tovak-$version-setup.exe"
rm -f "$setup"
makensis -V2 -DVERSION="$version" -DFILE_VERSION="$file_version" -DSTAGE="$PWD/$stage" \
  -DOUTFILE="$PWD/$setup" installer/tovak.nsi
echo "package: $setup"

# ---- Debian package --------------------------------------------------------
# build/tovak_VERSION_ARCH.deb, made by CPack from a release build of its own
# (cmake/debian_package.cmake): /usr/bin/tovak, the gdk-pixbuf loader, the
# image/x-gim MIME type and the thumbnailer entry, with the dependencies
# dpkg-shlibdeps finds and the maintainer scripts that refresh the loader
# cache and the MIME database.
deb_build=build/deb
cmake -S . -B "$deb_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVAK_TESTS=OFF \
  -DTOVAK_BENCHMARKS=OFF -DTOVAK_PIXBUF=ON >/dev/null
cmake --build "$deb_build" --target tovak_cli pixbufloader_gim
grep -q '^TOVAK_PIXBUF:BOOL=ON' "$deb_build/CMakeCache.txt" ||
  { echo "package: no gdk-pixbuf development files: run scripts/setup.sh" >&2; exit 1; }
deb_version="$(cache_value deb CMAKE_PROJECT_VERSION)"
rm -rf "$deb_build/cpack" build/tovak_"$deb_version"_*.deb
(cd "$deb_build" && cpack -G DEB -B "$PWD/cpack" >/dev/null)
deb="$(ls "$deb_build"/cpack/tovak_"$deb_version"_*.deb)"
mv "$deb" build/
deb="build/$(basename "$deb")"
echo "package: $deb"
dpkg-deb -c "$deb"
