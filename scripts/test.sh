#!/usr/bin/env bash
# Sets up and runs every test: the native build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz targets' replay
# and a short fuzzing run, and the Windows build against the real tovak.spi
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export WINEDEBUG=-all

for preset in native native-asan windows; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== fuzz"
bash scripts/fuzz.sh
