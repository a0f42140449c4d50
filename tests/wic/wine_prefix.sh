#!/usr/bin/env bash
# The WIC client tests' own wine prefix: they register the decoder, and that
# must happen in no prefix other tests or users share. Made once, by copying
# the machine's prefix (or by wineboot where there is none); before every
# run its registry is put back as it was made, so that no earlier run's
# registration is in it.
#
#   wine_prefix.sh PREFIX SOURCE_PREFIX WINE
set -euo pipefail
prefix="$1" source="$2" wine="$3"
export WINEDEBUG=-all

# The prefix's own server writes the registry out when it stops: stop it
# before the registry files are replaced.
stop_server() {
  WINEPREFIX="$1" wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX="$1" wineserver -w >/dev/null 2>&1 || true
}

if [ -f "$prefix/made/system.reg" ]; then
  stop_server "$prefix"
  cp "$prefix"/made/*.reg "$prefix/"
  exit 0
fi

rm -rf "$prefix" "$prefix.new"
if [ -f "$source/system.reg" ]; then
  echo "wine_prefix: copying $source to $prefix"
  cp -a "$source" "$prefix.new"
else
  echo "wine_prefix: making $prefix with wineboot"
  WINEPREFIX="$prefix.new" "$wine" wineboot -i >/dev/null 2>&1 || true
  stop_server "$prefix.new"
fi
[ -f "$prefix.new/system.reg" ] || { echo "wine_prefix: no registry in $prefix.new" >&2; exit 1; }
mkdir "$prefix.new/made"
cp "$prefix.new"/*.reg "$prefix.new/made/"
mv "$prefix.new" "$prefix"
