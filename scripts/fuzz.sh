#!/usr/bin/env bash
# A short fuzzing run: builds the libFuzzer targets (clang 14, ASan + UBSan)
# and runs each for FUZZ_SECONDS (30 by default) from a seed corpus of small
# pictures of every format, the inputs in tests/bad_inputs and, when the
# checkout has them beside it, the shared sample pictures; encode_fuzz from
# small PNGs behind the option bytes it reads. A crash, a
# leak or a broken check fails the run; the input that caused it is left in
# the run directory's artifacts/ for replaying with the native
# <target>_fuzz_replay tools.
#
#   scripts/fuzz.sh
#   FUZZ_SECONDS=60 FUZZ_BUILD_DIR=build/my-fuzz scripts/fuzz.sh
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-30}"
build="${FUZZ_BUILD_DIR:-build/fuzz}"
run="$build-run"

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build"

rm -rf "$run"
mkdir -p "$run/seeds" "$run/png-seeds" "$run/artifacts"
"$build/fuzz_seeds" --write-seeds "$run/seeds" >/dev/null
"$build/fuzz_png_seeds" "$run/png-seeds" >/dev/null
cp tests/bad_inputs/*.gim "$run/seeds/"
if compgen -G "../shared/samples/*.gim" >/dev/null; then cp ../shared/samples/*.gim "$run/seeds/"; fi

for target in recognise_fuzz get_picture_fuzz encode_fuzz wic_pixels_fuzz; do
  echo "== $target for ${seconds}s"
  seeds="$run/seeds"
  if [ "$target" = encode_fuzz ]; then seeds="$run/png-seeds"; fi
  mkdir -p "$run/corpus-$target"
  # New inputs go to the first directory; the seeds are only read.
  "$build/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$run/artifacts/$target-" \
    "$run/corpus-$target" "$seeds" 2>"$run/$target.log" || {
      tail -n 60 "$run/$target.log"
      echo "fuzz: $target failed; the input is in $run/artifacts/" >&2
      exit 1
    }
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$run/$target.log" || true
done
