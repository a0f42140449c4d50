#!/usr/bin/env bash
# The main job: set up, build tovak.spi and the host program for Windows,
# write a sample GIM picture and convert it to a .bmp through the real
# plug-in under Wine. The picture goes to build/sample.bmp.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export WINEDEBUG=-all

cmake --preset windows >/dev/null
cmake --build --preset windows
out=build/windows
wine "$out/gimsample.exe" "$out/sample.gim"
wine "$out/gimhost.exe" "$out/tovak.spi" "$out/sample.gim" build/sample.bmp
identify build/sample.bmp
# The same picture, big-endian and swizzled, must come out identical.
wine "$out/gimsample.exe" "$out/sample-be.gim" --big-endian --swizzled
wine "$out/gimhost.exe" "$out/tovak.spi" "$out/sample-be.gim" build/sample-be.bmp --memory >/dev/null
cmp build/sample.bmp build/sample-be.bmp
echo "build/sample-be.bmp: identical to build/sample.bmp"
