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

source scripts/windows-here.sh
pick_windows_build
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target tovak tovak_dll_bench >/dev/null
cd "build/$preset"
"${wine[@]}" tovak_dll_bench.exe "$dll" "$@"
