#!/usr/bin/env bash
# Times GetPicture of the real DLL under Wine against a bare copy into a
# fresh local block and against libsquish alone, all in one process (see
# bench/dll_bench.cpp). The 32-bit tovak.spi is measured where the machine
# runs 32-bit programs, else the 64-bit tovak.sph.
#
#   scripts/bench-dll.sh [--side N] [--rounds N]
#   scripts/bench-dll.sh --peak DXT5
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEDEBUG=-all

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  preset=windows dll=tovak.spi wine=(wine)
else
  preset=windows64 dll=tovak.sph wine=(/usr/lib/wine/wine64)
  export WINEPREFIX="${WINEPREFIX64:-$HOME/.wine64}"
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target tovak tovak_dll_bench >/dev/null
cd "build/$preset"
"${wine[@]}" tovak_dll_bench.exe "$dll" "$@"
