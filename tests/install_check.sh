#!/usr/bin/env bash
# What `cmake --install` puts under a prefix: bin/tovak and, where the
# gdk-pixbuf loader is built, the loader, the MIME type and the thumbnailer
# entry, and nothing else (GoogleTest and the other projects built beside it
# install nothing); the installed converter runs and knows its version.
#
#   install_check.sh CMAKE BUILD_DIR WORK_DIR VERSION [FILE...]
#
# FILEs: what the prefix holds besides bin/tovak.
set -euo pipefail
cmake="$1" build="$2" work="$3" version="$4"
shift 4
expected="$(printf '%s\n' bin/tovak "$@" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"

fail() { echo "install_check: $*" >&2; exit 1; }
rm -rf "$work"
"$cmake" --install "$build" --prefix "$work" >/dev/null
found="$(cd "$work" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
[ "$found" = "$expected" ] || fail "the prefix holds '$found', not '$expected'"
said="$("$work/bin/tovak" --version | head -n 1)"
[ "$said" = "tovak $version" ] || fail "the installed tovak says '$said'"
echo "install_check: $work holds $expected; tovak $version runs"
