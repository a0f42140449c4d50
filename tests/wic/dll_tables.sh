#!/usr/bin/env bash
# The decoder DLLs' tables as objdump reads them: each imports only system
# DLLs (KERNEL32, ADVAPI32, ole32, msvcrt), exports exactly the four COM
# server entry points under their plain names, is of its machine, and
# carries its version resource under its own file name.
#
#   dll_tables.sh OBJDUMP:DLL:FORMAT...
# A DLL that has not been built (the other preset's) is skipped; the first
# must be there.
set -euo pipefail
allowed=" advapi32.dll kernel32.dll msvcrt.dll ole32.dll "
exports="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer"
status=0 first=1
for entry in "$@"; do
  IFS=: read -r objdump dll format <<<"$entry"
  if [ ! -f "$dll" ]; then
    [ "$first" -eq 1 ] && { echo "dll_tables: no $dll" >&2; exit 1; }
    echo "dll_tables: $dll not built, skipped"
    continue
  fi
  first=0
  tables="$("$objdump" -p "$dll")"
  fail() { echo "dll_tables: $dll: $*" >&2; status=1; }
  grep -q "file format $format\$" <<<"$tables" || fail "not $format"
  while read -r name; do
    case "$allowed" in *" $name "*) ;; *) fail "imports $name" ;; esac
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$tables" | tr 'A-Z' 'a-z')
  found="$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$tables" |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
  [ "$found" = "$exports" ] || fail "exports '$found', not '$exports'"
  # The resource's strings are UTF-16: without their zero bytes they read as text.
  LC_ALL=C tr -d '\000' <"$dll" | grep -aq "OriginalFilenametovak-wic.dll" ||
    fail "no version resource naming tovak-wic.dll"
  [ "$status" -eq 0 ] && echo "dll_tables: $dll ($format) imports and exports as expected"
done
exit "$status"
