#!/usr/bin/env bash
# Sets up and runs every test: the native build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, the tests of concurrent
# calls under ThreadSanitizer, the fuzz targets' replay and a short fuzzing
# run, the Windows build against the real tovak.spi under Wine, and the
# converter's tests as a 64-bit Windows program under 64-bit Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export WINEDEBUG=-all

# Some machines (sandboxed kernels among them) cannot execute 32-bit
# programs at all, so 32-bit Wine cannot start there. The 32-bit build is
# still made; only running it needs the machine's help.
runs_32_bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

for preset in native native-asan native-tsan windows windows64; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  if [ "$preset" = windows ] && ! runs_32_bit; then
    echo "== windows: this machine cannot run 32-bit programs; built, not run under Wine"
    continue
  fi
  ctest --preset "$preset"
done

echo "== fuzz"
bash scripts/fuzz.sh
