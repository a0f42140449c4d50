#!/usr/bin/env bash
# Sets up and runs every test: the native build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz targets' replay
# and a short fuzzing run, the Windows builds against the real tovak.spi
# (32-bit) and tovak.sph (64-bit) under Wine, and the release package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export WINEDEBUG=-all

for preset in native native-asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

# Both Windows builds first: the package made from them is tested with them.
for preset in windows windows64; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
echo "== package"
bash scripts/package.sh
for preset in windows windows64; do
  echo "== $preset"
  ctest --preset "$preset"
done

echo "== fuzz"
bash scripts/fuzz.sh
