#!/usr/bin/env bash
# Builds both plug-ins and writes the release package build/tovak-VERSION.zip:
# tovak.spi (32-bit hosts), tovak.sph (64-bit hosts), the WIC decoder
# tovak-wic.dll for 64-bit and 32-bit programs (wic/64-bit, wic/32-bit), a
# commented tovak.ini with the defaults, README.txt for users and tovak's
# licence. VERSION is the
# project version that CMake holds. (libsquish is not in the DLLs: they
# decode DXT blocks themselves, so its licence does not ship.)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

for preset in windows windows64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target tovak tovak_wic
done

cache_value() { sed -n "s/^$1:[A-Z]*=//p" build/windows/CMakeCache.txt; }
version="$(cache_value CMAKE_PROJECT_VERSION)"
[ -n "$version" ] || { echo "package: no project version in build/windows" >&2; exit 1; }

stage="build/package/tovak-$version"
zip="build/tovak-$version.zip"
rm -rf "$stage" "$zip"
mkdir -p "$stage"
cp build/windows/tovak.spi build/windows64/tovak.sph "$stage/"
mkdir -p "$stage/wic/64-bit" "$stage/wic/32-bit"
cp build/windows64/tovak-wic.dll "$stage/wic/64-bit/"
cp build/windows/tovak-wic.dll "$stage/wic/32-bit/"
# Text files in Windows line endings, for the editors users open them in.
crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$1" >"$2"; }
crlf package/tovak.ini "$stage/tovak.ini"
sed "s/@VERSION@/$version/" package/README.txt >"$stage/README.tmp"
crlf "$stage/README.tmp" "$stage/README.txt"
rm "$stage/README.tmp"
crlf LICENSE "$stage/LICENSE.txt"

(cd "$stage" && zip -q -X "../../tovak-$version.zip" tovak.spi tovak.sph tovak.ini README.txt \
  LICENSE.txt)
(cd "$stage" && zip -q -X "../../tovak-$version.zip" wic/64-bit/tovak-wic.dll \
  wic/32-bit/tovak-wic.dll)
echo "package: $zip"
unzip -l "$zip"
