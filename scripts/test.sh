#!/usr/bin/env bash
# Sets up and runs every test: the native build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, the tests of concurrent
# calls under ThreadSanitizer, the fuzz targets' replay and a short fuzzing
# run, the Windows builds against the real tovak.spi (32-bit) and tovak.sph
# (64-bit) under Wine, the release package made from them, and the
# converter's tests as a Windows program. With CI=true or
# TOVAK_SYSTEM_TESTS=1, also the Debian package installed and removed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export WINEDEBUG=-all

# The 32-bit build is made everywhere; only running it under Wine needs a
# machine that executes 32-bit programs. Elsewhere its tests that need no
# Wine (label no-wine) still run.
source scripts/windows-here.sh

for preset in native native-asan native-tsan; do
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
# The Debian package installed on this machine, used and removed: it changes
# the system, so only on CI or when asked.
if [ "${CI:-}" = true ] || [ "${TOVAK_SYSTEM_TESTS:-}" = 1 ]; then
  echo "== Debian package on this machine"
  deb_version="$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' build/deb/CMakeCache.txt)"
  bash tests/pixbuf/deb_install_check.sh "build/tovak_${deb_version}_amd64.deb" build/deb-check
fi
for preset in windows windows64; do
  echo "== $preset"
  if [ "$preset" = windows ] && ! runs_32_bit; then
    echo "== windows: this machine cannot run 32-bit programs; only the checks without Wine"
    ctest --preset "$preset" -L no-wine
    continue
  fi
  ctest --preset "$preset"
done

echo "== fuzz"
bash scripts/fuzz.sh
