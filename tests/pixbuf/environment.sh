#!/usr/bin/env bash
# Makes what lets gdk-pixbuf clients find the loader module and image/x-gim
# without installing them: a loader cache holding this build's module and a
# MIME database holding tovak.xml. The tests point GDK_PIXBUF_MODULE_FILE at
# DIR/loaders.cache and put DIR/share first in XDG_DATA_DIRS.
#
#   environment.sh DIR QUERY_LOADERS LOADER MIME_XML
set -euo pipefail
dir="$1" query_loaders="$2" loader="$3" mime_xml="$4"
rm -rf "$dir"
mkdir -p "$dir/share/mime/packages"
cp "$mime_xml" "$dir/share/mime/packages/"
# It notes, harmlessly, that the folder is not among the system's.
update-mime-database "$dir/share/mime" 2>/dev/null
# gdk-pixbuf-query-loaders loads the module; a module built with
# AddressSanitizer needs its runtime loaded first (and the tool's own leaks
# are not the module's).
asan="$(ldd "$loader" | awk '/libasan/ { print $3 }')"
LD_PRELOAD="$asan" ASAN_OPTIONS=detect_leaks=0 "$query_loaders" "$loader" >"$dir/loaders.cache"
grep -q '"image/x-gim"' "$dir/loaders.cache"
