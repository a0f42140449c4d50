#!/usr/bin/env bash
# Runs a command as a gdk-pixbuf client that finds this build's loader and
# image/x-gim uninstalled: a loader cache holding the module
# (GDK_PIXBUF_MODULE_FILE) and a MIME database holding tovak.xml (first in
# XDG_DATA_DIRS), made in DIR. A module built with AddressSanitizer needs
# its runtime loaded first in every process that loads it.
#
#   with_loader.sh DIR QUERY_LOADERS LOADER MIME_XML COMMAND...
set -euo pipefail
dir="$1" query_loaders="$2" loader="$3" mime_xml="$4"
shift 4
rm -rf "$dir"
mkdir -p "$dir/share/mime/packages"
cp "$mime_xml" "$dir/share/mime/packages/"
update-mime-database "$dir/share/mime" 2>/dev/null  # it notes that DIR is not the system's
LD_PRELOAD="$(ldd "$loader" | awk '/libasan/ { print $3 }')"
export LD_PRELOAD
# Python's and the tools' own leaks are not the module's.
[ -z "$LD_PRELOAD" ] || export ASAN_OPTIONS=detect_leaks=0
"$query_loaders" "$loader" >"$dir/loaders.cache"
export GDK_PIXBUF_MODULE_FILE="$dir/loaders.cache"
export XDG_DATA_DIRS="$dir/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"
exec "$@"
