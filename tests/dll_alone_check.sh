#!/usr/bin/env bash
# The plug-in and the WIC decoder alone build from this tree and the
# compiler: a configure with the tests and tools off, every third-party
# source package pointed nowhere, then a build of both DLLs.
#
#   dll_alone_check.sh SOURCE_DIR WORK_DIR TOOLCHAIN_FILE
set -euo pipefail
source_dir="$1" work="$2" toolchain="$3"
rm -rf "$work"
cmake -S "$source_dir" -B "$work" -G Ninja --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DTOVAK_TESTS=OFF -DTOVAK_TOOLS=OFF -DTOVAK_SQUISH_SOURCE=/nonexistent \
  -DTOVAK_SPNG_SOURCE=/nonexistent -DTOVAK_ZLIB_SOURCE=/nonexistent >"$work.log" 2>&1 ||
  { cat "$work.log"; echo "dll_alone_check: configuring the DLL alone failed" >&2; exit 1; }
cmake --build "$work" --target tovak tovak_wic >>"$work.log" 2>&1 ||
  { tail -n 40 "$work.log"; echo "dll_alone_check: building the DLL alone failed" >&2; exit 1; }
echo "dll_alone_check: the DLLs build with no third-party source"
