#!/usr/bin/env bash
# Quantises a batch of truecolour pictures with alpha (the converter's PNGs
# of bench/gim_folder's direct-colour and DXT pictures, gradients, and
# antialiased edges over transparency, the last two drawn by ImageMagick) to
# INDEX4 and INDEX8 with `tovak encode`, without and with --dither, and the
# same pictures to 16 and 256 colours with ImageMagick's own quantiser
# (`convert IN.png -dither None -colors N`, and `-dither FloydSteinberg`
# against --dither). Prints, per picture and in total, the PSNR over all
# four channels against the source (bench/png_psnr.cpp) and the time of
# each command, the best of three runs, side by side.
#
#   scripts/bench-quantise.sh [WORK_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
work="${1:-build/bench-quantise}"
cmake --preset native >/dev/null
cmake --build --preset native --target tovak_cli png_psnr gim_folder >/dev/null
tovak="$PWD/build/native/tovak"
psnr="$PWD/build/native/bench/png_psnr"

rm -rf "$work"
mkdir -p "$work/gim" "$work/in" "$work/out"
# One picture of each format; the indexed ones are left out, their PNGs
# already paletted.
build/native/bench/gim_folder "$work/gim" 9 >/dev/null
rm "$work/gim/pic004.gim" "$work/gim/pic005.gim"
"$tovak" convert "$work/gim" -o "$work/in" >/dev/null
convert -size 256x256 gradient:'#ff000040'-'#0020ffff' PNG32:"$work/in/gradient.png"
convert -size 256x256 radial-gradient:'rgba(255,230,0,1)'-'rgba(0,128,255,0.1)' PNG32:"$work/in/radial.png"
convert -size 256x256 xc:'rgba(0,0,0,0)' -strokewidth 5 -fill '#ff8800' -stroke '#2040ff' \
  -draw 'circle 128,128 128,40' -fill none -stroke '#00cc66' -draw 'line 10,240 240,20' \
  -stroke 'rgba(200,0,120,0.6)' -draw 'bezier 20,20 250,60 10,200 230,250' PNG32:"$work/in/edges.png"

# Seconds of the best of three runs of a command.
best_of_three() {
  local best="" start end t
  for _ in 1 2 3; do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    t=$(( (end - start) / 1000 ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  awk -v us="$best" 'BEGIN { printf "%.4f", us / 1e6 }'
}

printf '| picture | colours | dither | tovak PSNR | ImageMagick PSNR | tovak s | ImageMagick s |\n'
printf '|---|---|---|---|---|---|---|\n'
totals="$work/totals"
: >"$totals"
for png in "$work"/in/*.png; do
  name="$(basename "$png" .png)"
  for colours in 16 256; do
    format=index8
    [ "$colours" = 16 ] && format=index4
    for dither in off on; do
      tovak_args=(encode "$png" --format "$format" -o "$work/out" --force -j 1)
      im_dither=None
      if [ "$dither" = on ]; then tovak_args+=(--dither); im_dither=FloydSteinberg; fi
      t_tovak=$(best_of_three "$tovak" "${tovak_args[@]}")
      "$tovak" convert "$work/out/$name.gim" -o "$work/out" --force >/dev/null
      read -r p_tovak se_tovak samples < <("$psnr" "$png" "$work/out/$name.png")
      t_im=$(best_of_three convert "$png" -dither "$im_dither" -colors "$colours" "$work/out/$name-im.png")
      read -r p_im se_im samples < <("$psnr" "$png" "$work/out/$name-im.png")
      printf '| %s | %s | %s | %s | %s | %s | %s |\n' "$name" "$colours" "$dither" "$p_tovak" "$p_im" "$t_tovak" "$t_im"
      echo "$colours $dither $se_tovak $se_im $t_tovak $t_im $samples $p_tovak $p_im" >>"$totals"
    done
  done
done
# In total: the PSNR of all pictures' samples together, the pictures on
# which tovak's PSNR or time falls behind, and the summed times.
awk 'function psnr(se, n) { return se == 0 ? "inf" : sprintf("%.2f", 10 * log(255 * 255 * n / se) / log(10)) }
     { key = $1 " colours, dither " $2; n[key]++; st[key] += $3; si[key] += $4; tt[key] += $5; ti[key] += $6; s[key] += $7;
       if ($8 != "inf" && ($9 == "inf" || $8 + 0 < $9 + 0)) lower[key]++; if ($5 + 0 > $6 + 0) slower[key]++ }
     END { for (k in n) printf "total %s: PSNR tovak %s, ImageMagick %s (tovak lower on %d of %d); time tovak %.3f s, ImageMagick %.3f s (%.2fx; tovak slower on %d)\n",
             k, psnr(st[k], s[k]), psnr(si[k], s[k]), lower[k], n[k], tt[k], ti[k], tt[k] / ti[k], slower[k] }' "$totals" | sort
