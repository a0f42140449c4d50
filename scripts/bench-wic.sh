#!/usr/bin/env bash
# Times one CopyPixels of a whole 2048 x 2048 picture per format through the
# 64-bit tovak-wic.dll under wine64, against the converter's decode of the
# same picture in the same process (see bench/wic_bench.cpp). The DLL is
# loaded by path: nothing is registered.
#
#   scripts/bench-wic.sh [--side N] [--rounds N]
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX64:-$HOME/.wine64}"
cmake --preset windows64 >/dev/null
cmake --build --preset windows64 --target tovak_wic tovak_wic_bench >/dev/null
cd build/windows64
/usr/lib/wine/wine64 tovak_wic_bench.exe tovak-wic.dll "$@"
