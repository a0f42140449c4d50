#!/usr/bin/env bash
# What `cmake --install` puts under a prefix: bin/tovak and nothing else
# (GoogleTest and the other projects built beside it install nothing), and
# the installed converter runs and knows its version.
#
#   install_check.sh CMAKE BUILD_DIR WORK_DIR VERSION
set -euo pipefail
cmake="$1" build="$2" work="$3" version="$4"

fail() { echo "install_check: $*" >&2; exit 1; }
rm -rf "$work"
"$cmake" --install "$build" --prefix "$work" >/dev/null
found="$(cd "$work" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
[ "$found" = "bin/tovak" ] || fail "the prefix holds '$found', not 'bin/tovak'"
said="$("$work/bin/tovak" --version | head -n 1)"
[ "$said" = "tovak $version" ] || fail "the installed tovak says '$said'"
echo "install_check: $work holds bin/tovak $version alone"
