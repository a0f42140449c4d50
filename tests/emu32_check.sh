#!/usr/bin/env bash
# The 32-bit DLL run under emu32 (a CPU emulator that loads it as Windows
# does and checks every call as a host would), for machines that cannot
# execute 32-bit code. Each file goes through memory, file and wide-file mode.
#
#   emu32_check.sh EMU32_DIR DLL WORK codes BAD_INPUTS_DIR
#       every file must give the result codes its name carries
#   emu32_check.sh EMU32_DIR DLL WORK pictures NATIVE_BUILD [SAMPLES_DIR]
#       small pictures of every format, byte order and pixel order (the
#       native fuzz seed writer's), the sample writer's pictures and the
#       real samples: each BMP byte for byte the native converter's
#       `--format bmp` output
# Exits 77 (skipped) without emu32 or, for pictures, without the native build.
set -euo pipefail
emu32="$1" dll="$2" work="$3" mode="$4"

if [ ! -f "$emu32/verify.py" ]; then
  echo "no emu32 in $emu32: skipped"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work"

case "$mode" in
  codes)
    exec python3 "$emu32/verify.py" --dll "$dll" --work "$work" --expect-codes "$5"
    ;;
  pictures)
    native="$5" samples="${6:-}"
    for tool in tovak gimsample tests/recognise_fuzz_replay; do
      if [ ! -x "$native/$tool" ]; then
        echo "no $native/$tool: build the native preset first; skipped"
        exit 77
      fi
    done
    pictures="$work/pictures"
    "$native/tests/recognise_fuzz_replay" --write-seeds "$pictures"
    # 96 x 64: rows long enough for the converters' 16-byte steps and tails.
    "$native/gimsample" "$pictures/sample-le.gim"
    "$native/gimsample" "$pictures/sample-be-swizzled.gim" --big-endian --swizzled
    "$native/gimsample" "$pictures/sample-le-swizzled.gim" --swizzled
    "$native/gimsample" "$pictures/sample-be-dxt5.gim" --big-endian --dxt5
    inputs=("$pictures")
    if [ -n "$samples" ] && [ -d "$samples" ]; then inputs+=("$samples"); fi
    exec python3 "$emu32/verify.py" --dll "$dll" --native "$native/tovak" --work "$work" \
      "${inputs[@]}"
    ;;
  *)
    echo "emu32_check: unknown mode $mode" >&2
    exit 2
    ;;
esac
