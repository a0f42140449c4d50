#!/usr/bin/env bash
# The release package as a user receives it: unpacks the zip and checks that
# it holds exactly the expected files and that tovak.ini sets the defaults,
# runs the PE-table checks on both DLLs in it (the tests' PackagedDlls group),
# the tables check on both WIC decoder DLLs, checks that the installer lies
# beside the zip (the installer test runs it) and, given a 64-bit Wine, runs
# the packaged tovak.exe alone in its folder.
#
#   package_check.sh ZIP WORK_DIR WINE TOVAK_TESTS_EXE [WINE64]
# Exits 77 (skipped) when the zip has not been made: scripts/package.sh does.
set -euo pipefail
zip="$1" work="$2" wine="$3" tests="$4" wine64="${5:-}"

if [ ! -f "$zip" ]; then
  echo "no $zip: run scripts/package.sh first"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work"
unzip -q "$zip" -d "$work"

fail() { echo "package_check: $*" >&2; exit 1; }
expected="GPL-3.0.txt LICENSE.txt README.txt libimagequant-LICENSE.txt libspng-LICENSE.txt"
expected="$expected libsquish-LICENSE.txt tovak.exe tovak.ini"
expected="$expected tovak.sph tovak.spi wic/32-bit/tovak-wic.dll wic/64-bit/tovak-wic.dll"
expected="$expected winpthreads-LICENSE.txt"
found="$(cd "$work" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
[ "$found" = "$expected" ] || fail "the zip holds '$found', not '$expected'"
settings="$(grep -v '^;' "$work/tovak.ini" | tr -d '\r' | tr '\n' ' ')"
[ "$settings" = "[tovak] AlphaBlend=1 BlendBkColor=2629648 " ] || fail "tovak.ini holds '$settings'"

out="$(TOVAK_PACKAGE_DIR="Z:$work" "$wine" "$tests" --gtest_filter='PackagedDlls.*' 2>&1)" || {
  echo "$out"
  fail "the PE checks failed"
}
echo "$out" | grep -q '\[  PASSED  \] 1 test' || { echo "$out"; fail "the PE checks did not run"; }
echo "package_check: $zip holds both DLLs with the expected tables"
# The WIC decoder's two DLLs: each of its machine, with its imports and exports.
bash "$(dirname "$0")/wic/dll_tables.sh" \
  "x86_64-w64-mingw32-objdump:$work/wic/64-bit/tovak-wic.dll:pei-x86-64" \
  "i686-w64-mingw32-objdump:$work/wic/32-bit/tovak-wic.dll:pei-i386" || fail "the WIC DLLs' tables"
setup="${zip%.zip}-setup.exe"
[ -f "$setup" ] || fail "no installer $setup beside the zip"
x86_64-w64-mingw32-objdump -f "$setup" | grep -q 'file format pei-x86-64$' ||
  fail "$setup is not a 64-bit Windows program"
echo "package_check: the installer $(basename "$setup") lies beside it"
if [ -n "$wine64" ]; then
  version="$(basename "$zip" .zip)"
  version="${version#tovak-}"
  said="$(cd "$work" && "$wine64" ./tovak.exe --version | tr -d '\r' | head -n 1)"
  [ "$said" = "tovak $version" ] || fail "the packaged tovak.exe says '$said', not 'tovak $version'"
  # It links libimagequant, so it says it is under the GPL.
  (cd "$work" && "$wine64" ./tovak.exe --version | grep -q "GNU General") ||
    fail "the packaged tovak.exe does not name its licence, the GPL"
  echo "package_check: its tovak.exe runs alone and says '$said'"
fi
