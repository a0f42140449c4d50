#!/usr/bin/env bash
# The main job: set up, build tovak.spi and the host program for Windows,
# write a sample GIM picture and convert it to a .bmp through the real
# plug-in under Wine (through the 64-bit tovak.sph and host on machines that
# cannot run 32-bit programs). The picture goes to build/sample.bmp; the same
# picture compressed to DXT5 goes to build/sample-dxt5.bmp. Then the
# converter writes the sample as build/sample.png with its alpha kept, and
# encodes that PNG back to GIM.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export WINEDEBUG=-all

source scripts/windows-here.sh
pick_windows_build
runs_32_bit || echo "main: this machine cannot run 32-bit programs; converting through tovak.sph"
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

# The converter: the sample to PNG, alpha kept; a few pixels checked against
# the sample's own rule (red across, green down, blue = 255 - red, alpha 128
# in rows 24 to 39).
"${wine[@]}" "$out/tovak.exe" convert "$out/sample.gim" -o build --force
convert build/sample.png -depth 8 RGBA:build/sample.rgba
for xy in "0 0" "95 30" "40 63" "17 24"; do
  read -r x y <<<"$xy"
  r=$((x * 255 / 95)); g=$((y * 255 / 63)); b=$((255 - r)); a=255
  if [ "$y" -ge 24 ] && [ "$y" -lt 40 ]; then a=128; fi
  got=$(od -An -tu1 -j $(((y * 96 + x) * 4)) -N4 build/sample.rgba | xargs)
  if [ "$got" != "$r $g $b $a" ]; then
    echo "build/sample.png: pixel ($x, $y) is $got, not $r $g $b $a" >&2
    exit 1
  fi
done
echo "build/sample.png: pixels as the sample's rule gives them"

# And back: the PNG encoded to GIM by the converter, which decodes to the
# same pixels.
mkdir -p build/round-trip
"${wine[@]}" "$out/tovak.exe" encode build/sample.png -o build/round-trip --force
"${wine[@]}" "$out/tovak.exe" convert build/round-trip/sample.gim -o build/round-trip --force
convert build/round-trip/sample.png -depth 8 RGBA:build/round-trip/sample.rgba
cmp build/sample.rgba build/round-trip/sample.rgba
echo "build/round-trip/sample.gim: encoded from build/sample.png, decodes to the same pixels"
