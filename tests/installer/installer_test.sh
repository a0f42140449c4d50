#!/usr/bin/env bash
# The Windows installer as a user runs it, under wine64 in a prefix of its
# own: its PE tables; a silent install, after which the WIC client decodes
# through the installed decoder, tovak.exe runs from PATH and the registry
# holds what the README lists; a silent removal that leaves the registry and
# drive C as they were; an install over an installed copy that leaves what
# the first one left; and a removal that keeps a tovak.ini the user changed.
#
#   installer_test.sh SETUP PREFIX SOURCE_PREFIX WINE64 WIC_TESTS VERSION OBJDUMP
# Exits 77 (skipped) when the installer has not been made: scripts/package.sh does.
set -euo pipefail
setup="$1" prefix="$2" source="$3" wine="$4" wic_tests="$5" version="$6" objdump="$7"
[ -f "$setup" ] || { echo "no $setup: run scripts/package.sh first"; exit 77; }
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../scripts/windows-here.sh"
export WINEDEBUG=-all WINEPREFIX="$prefix"
status=0
fail() { echo "installer_test: $*" >&2; status=1; }

# 64-bit, its manifest asking for administrator rights, its version resource
# (types 24 and 16 in the resource directory).
tables="$("$objdump" -p "$setup")"
grep -q "file format pei-x86-64\$" <<<"$tables" || fail "not a 64-bit program"
for type in 000018 000010; do
  grep -Eq "^[0-9a-f]{3}   Entry: ID: 0x$type," <<<"$tables" || fail "no resource of type 0x$type"
done
grep -aq 'level="requireAdministrator"' "$setup" || fail "the manifest does not ask for administrator"
LC_ALL=C tr -d '\000' <"$setup" | grep -a "ProductVersion$version" >/dev/null || fail "no version $version"

bash "$here/../wic/wine_prefix.sh" "$prefix" "$source" "$wine"
c="$prefix/drive_c"
rm -rf "$c/Program Files/tovak" "$c/viewer"
mkdir -p "$c/viewer/plugins"
work="$prefix/installer-test"
rm -rf "$work" && mkdir -p "$work"
cd "$work"

# The registry as lines (file, key, value; continued values joined, the
# keys' times dropped, backslashes no longer doubled) and the files of
# drive C, once Wine has written the registry out. The temporary folders
# are scratch space; NSIS's uninstaller runs from a copy there, which it
# leaves to Windows to delete at the next start.
snapshot() {
  wineserver -w
  awk '/^\[/ { key = $0; sub(/\] [0-9]+$/, "]", key); print FILENAME key; next }
    /^(#|;;|WINE REGISTRY|$)/ { next }
    { line = $0
      while (line ~ /\\$/ && (getline more) > 0) { sub(/\\$/, "", line); sub(/^ +/, "", more); line = line more }
      print FILENAME key line }' "$prefix/system.reg" "$prefix/user.reg" |
    sed -e "s|^$prefix/||" -e 's/\\\\/\\/g' \
      -e 's/\\??\\C:\\users\\[^\\]*\\Temp\\~nsu[0-9]*\.tmp\(\\Un\.exe\)\{0,1\}\\0\\0//g' |
    grep -v '"PendingFileRenameOperations"=str(7):""$' | LC_ALL=C sort >"$1.reg"
  (cd "$c" && find . | grep -iv '^\./users/[^/]*/temp\|^\./windows/temp' | LC_ALL=C sort) >"$1.files"
}
# Lines only in $1 as "- line", only in $2 as "+ line".
differ() { LC_ALL=C comm -3 "$1" "$2" | sed 's/^\t/+ /; t; s/^/- /'; }
# What changed from snapshot $1 to $2, but for the keys and files Wine
# changes on every start: those that differ between two snapshots around
# a program that does nothing.
changes() {
  for kind in reg files; do differ "$1.$kind" "$2.$kind"; done |
    awk 'function key(l) { l = substr(l, 3); i = index(l, "]"); return i ? substr(l, 1, i) : l }
      NR == FNR { noise[key($0)]; next } !(key($0) in noise)' noise -
}
snapshot quiet && "$wine" cmd /c exit && snapshot noisy
for kind in reg files; do differ quiet.$kind noisy.$kind; done >noise

program='C:\Program Files\tovak'
# Installs silently. Where 32-bit programs cannot run, registering the
# 32-bit decoder fails, and the installer says so with exit code 2.
install() {
  local code=0
  "$wine" "$setup" /S '/VIEWERDIR=C:\viewer\plugins' /VIEWER=64 "$@" || code=$?
  [ "$code" -eq 0 ] || { ! runs_32_bit && [ "$code" -eq 2 ]; } || fail "the install exited with $code"
}
quiet_uninstall() { "$wine" "$program\\uninstall.exe" /S && wineserver -w; }

snapshot before
install
snapshot installed
added="$(LC_ALL=C comm -13 before.files installed.files | tr '\n' ' ')"
expected="./Program Files/tovak ./Program Files/tovak/GPL-3.0.txt ./Program Files/tovak/LICENSE.txt"
expected="$expected ./Program Files/tovak/README.txt"
for f in libimagequant-LICENSE.txt libspng-LICENSE.txt libsquish-LICENSE.txt plugins plugins/tovak.ini plugins/tovak.sph \
  plugins/tovak.spi tovak.exe uninstall.exe wic wic/32-bit wic/32-bit/tovak-wic.dll wic/64-bit \
  wic/64-bit/tovak-wic.dll winpthreads-LICENSE.txt; do expected="$expected ./Program Files/tovak/$f"; done
[ "$added" = "$expected ./viewer/plugins/tovak.sph " ] || fail "the install added '$added'"

# The README's registry values, and the uninstall entry.
dir='C:\Program Files\tovak'
class='system.reg[Software\Classes\CLSID\{6ABDA9FA-EB8C-4E7C-A846-D10C68D6E460}\InprocServer32]'
uninstall='system.reg[Software\Microsoft\Windows\CurrentVersion\Uninstall\tovak]'
wanted=(
  "$class@=\"$dir\\wic\\64-bit\\tovak-wic.dll\""
  'system.reg[Software\Classes\.gim]"PerceivedType"="image"'
  'system.reg[Software\Classes\.gim]"Content Type"="image/x-gim"'
  'system.reg[Software\Classes\.gim\ShellEx\{e357fccd-a995-4576-b01f-234630154e96}]@="{C7657C4A-9F68-40fa-A4DF-96BC08EB3551}"'
  'system.reg[Software\Microsoft\Windows\CurrentVersion\Explorer\KindMap]".gim"="picture"'
  "$uninstall\"DisplayName\"=\"tovak\""
  "$uninstall\"DisplayVersion\"=\"$version\""
  "$uninstall\"Publisher\"=\"the tovak developers\""
  "$uninstall\"DisplayIcon\"=\"$dir\\uninstall.exe,0\""
  "$uninstall\"UninstallString\"=\"\\\"$dir\\uninstall.exe\\\"\""
  "$uninstall\"QuietUninstallString\"=\"\\\"$dir\\uninstall.exe\\\" /S\""
)
runs_32_bit && wanted+=("${class/CLSID/Wow6432Node\\CLSID}@=\"$dir\\wic\\32-bit\\tovak-wic.dll\"")
for line in "${wanted[@]}"; do grep -iqFx "$line" installed.reg || fail "no $line"; done
grep -Fq "$uninstall\"EstimatedSize\"=dword:" installed.reg &&
  ! grep -Fqx "$uninstall\"EstimatedSize\"=dword:00000000" installed.reg || fail "no EstimatedSize"
path="$(sed -n 's/^system.reg\[System\\CurrentControlSet\\Control\\Session Manager\\Environment\]"PATH"=str(2):"\(.*\)"$/\1/p' installed.reg)"
[ "${path##*;}" = "$dir" ] || fail "PATH ends in '${path##*;}', not '$dir'"

said="$("$wine" cmd /c tovak --version | tr -d '\r' | head -n 1)"
[ "$said" = "tovak $version" ] || fail "tovak on PATH says '$said'"
TOVAK_WIC_INSTALLED=1 "$wine" "$wic_tests" --gtest_brief=1 \
  --gtest_filter='Decode.EveryFormatByteAndPixelOrderGivesTheConvertersPixels' ||
  fail "the WIC client did not decode through the installed decoder"

quiet_uninstall
snapshot removed
[ -z "$(changes before removed)" ] || fail "the removal left: $(changes before removed)"

# Installed over an installed copy: the same state as one install.
install
# /D= takes the rest of the command line as it is, unquoted; Wine quotes an
# argument with a space, so the folder is given in two.
install "/D=${program% *}" "${program#* }"
snapshot twice
[ -z "$(changes installed twice)" ] || fail "installing twice differs: $(changes installed twice)"

# A changed tovak.ini outlives the removal, with its folders.
printf 'AlphaBlend=0\r\n' >>"$c/Program Files/tovak/plugins/tovak.ini"
quiet_uninstall
snapshot kept
left="$(changes before kept | tr '\n' ' ')"
[ "$left" = "+ ./Program Files/tovak + ./Program Files/tovak/plugins + ./Program Files/tovak/plugins/tovak.ini " ] ||
  fail "the removal after a change left '$left'"
exit "$status"
