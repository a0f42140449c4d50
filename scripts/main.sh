#!/usr/bin/env bash
# The main job: set up, build tovak.spi and the host program for Windows,
# write a sample GIM picture and convert it to a .bmp through the real
# plug-in under Wine (through the 64-bit tovak.sph and host on machines that
# cannot run 32-bit programs). The picture goes to build/sample.bmp; the same picture
# compressed to DXT5 goes to build/sample-dxt5.bmp.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export WINEDEBUG=-all

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  preset=windows dll=tovak.spi wine=(wine)
else
  preset=windows64 dll=tovak.sph wine=(/usr/lib/wine/wine64)
  export WINEPREFIX="$HOME/.wine64"
  echo "main: this machine cannot run 32-bit programs; converting through tovak.sph"
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
out="build/$preset"
"${wine[@]}" "$out/gimsample.exe" "$out/sample.gim"
"${wine[@]}" "$out/gimhost.exe" "$out/$dll" "$out/sample.gim" build/sample.bmp
identify build/sample.bmp
# The same picture, big-endian and swizzled, must come out identical.
"${wine[@]}" "$out/gimsample.exe" "$out/sample-be.gim" --big-endian --swizzled
"${wine[@]}" "$out/gimhost.exe" "$out/$dll" "$out/sample-be.gim" build/sample-be.bmp --memory >/dev/null
cmp build/sample.bmp build/sample-be.bmp
echo "build/sample-be.bmp: identical to build/sample.bmp"
# The same picture compressed to DXT5 by libsquish: both byte orders must
# come out identical, and close to the uncompressed picture.
"${wine[@]}" "$out/gimsample.exe" "$out/sample-dxt5.gim" --dxt5
"${wine[@]}" "$out/gimsample.exe" "$out/sample-dxt5-be.gim" --dxt5 --big-endian
"${wine[@]}" "$out/gimhost.exe" "$out/$dll" "$out/sample-dxt5.gim" build/sample-dxt5.bmp >/dev/null
"${wine[@]}" "$out/gimhost.exe" "$out/$dll" "$out/sample-dxt5-be.gim" build/sample-dxt5-be.bmp >/dev/null
identify build/sample-dxt5.bmp
cmp build/sample-dxt5.bmp build/sample-dxt5-be.bmp
# Normalised root-mean-square difference to the uncompressed picture
# (compare exits 1 whenever the pictures differ at all).
metric=$(compare -metric RMSE build/sample.bmp build/sample-dxt5.bmp null: 2>&1 || true)
rmse=$(sed -n 's/.*(\(.*\))/\1/p' <<<"$metric")
awk -v e="$rmse" 'BEGIN { printf "build/sample-dxt5.bmp: RMSE %.4f to build/sample.bmp\n", e; exit !(e != "" && e < 0.02) }'
