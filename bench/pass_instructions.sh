#!/usr/bin/env bash
# Instructions one pixel pass takes (the driver writing a 512 x 512 picture
# into a warm bits block), counted by callgrind: repeatable on a busy
# machine, where times are not. DXT rows add libsquish's DecompressImage on
# the same blocks (from the last binary). Compares benchmark binaries, e.g. one built
# before a change and one after:
#
#   bench/pass_instructions.sh build/native/bench/tovak_bench [OTHER_BENCH...]
set -euo pipefail
cases=(RGBA5650/normal RGBA5650/swizzled RGBA5551/normal RGBA5551/swizzled
       RGBA4444/normal RGBA4444/swizzled RGBA8888/normal RGBA8888/swizzled
       INDEX4/normal INDEX4/swizzled INDEX8/normal INDEX8/swizzled
       DXT1/normal DXT1/swizzled DXT3/normal DXT3/swizzled DXT5/normal DXT5/swizzled
       DXT5/big-endian)
iterations=20
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
printf '%-20s' case
for bench in "$@"; do printf ' %14s' "$(basename "$(dirname "$(dirname "$bench")")")"; done
echo
for c in "${cases[@]}"; do
  printf '%-20s' "$c"
  for bench in "$@"; do
    valgrind --tool=callgrind --callgrind-out-file="$out/cg" \
      --toggle-collect='tovak::decode::WriteBitsBlock*' "$bench" \
      --benchmark_filter="^pass/$c/iterations" --pass_iterations=$iterations >/dev/null 2>&1
    total=$(sed -n 's/^summary: //p' "$out/cg")
    printf ' %14d' $((total / iterations))
  done
  if [[ $c == DXT*/normal ]]; then
    # libsquish's DecompressImage on the same blocks, into a warm plane.
    valgrind --tool=callgrind --callgrind-out-file="$out/cg" "${@: -1}" \
      --benchmark_filter="^squish/${c%/normal}/iterations" --pass_iterations=$iterations >/dev/null 2>&1
    squish=$(callgrind_annotate --inclusive=yes "$out/cg" |
      sed -n 's/^ *\([0-9,]*\) .*squish::DecompressImage(unsigned char\*, int, int, void const\*, int).*/\1/p' | awk 'NR == 1' | tr -d ,)
    printf '   squish %d' $((squish / iterations))
  fi
  echo
done
