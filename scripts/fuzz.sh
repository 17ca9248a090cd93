#!/bin/sh
# Runs every fuzz target with a memory and a time limit per input, seeded from the
# project's regression inputs and, where present, the shared corpus. Inputs that
# crash, time out or run out of memory land in tests/data/fuzz-regressions/<target>/,
# which the test suite replays (inputs that are merely slow are not kept: a big
# picture is slow under the sanitizers, and the time limit catches a hang).
# Usage: scripts/fuzz.sh [SECONDS-PER-TARGET] [TARGET...]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-600}
[ $# -gt 0 ] && shift
targets=${*:-"fuzz_bmp fuzz_pcx fuzz_load fuzz_settings fuzz_metadata fuzz_movie_origin fuzz_coefficients fuzz_names fuzz_manifest"}
# POMI_FUZZ_BUILT=1: the targets are built already (a second run beside a first).
if [ "${POMI_FUZZ_BUILT:-0}" != 1 ]; then
    ./scripts/setup.sh
    command -v clang++ >/dev/null || { apt-get install -y --no-install-recommends clang libclang-rt-14-dev; }
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DPOMI_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fsanitize=fuzzer-no-link" >/dev/null
    cmake --build build-fuzz -j2 --target $targets
fi
corpus=../shared/corpus
public=tests/data/public
made=$(mktemp -d)
trap 'rm -rf "$made"' EXIT
python3 scripts/fuzz_seeds.py "$made" "$public/heif/C034.heic"
# Whole JPEGs of the public suites as Motion JPEG frames, behind the target's two bytes of choices.
mkdir -p "$made/fuzz_coefficients-public"
for f in "$corpus"/jpeg/*.jpg; do
    if [ -f "$f" ] && [ "$(stat -c %s "$f")" -lt 65536 ]; then
        { printf '\047\000'; cat "$f"; } >"$made/fuzz_coefficients-public/$(basename "$f")"
    fi
done
for t in $targets; do
    found=tests/data/fuzz-regressions/$t
    work=build-fuzz/corpus-$t
    mkdir -p "$found" "$work"
    case $t in
        fuzz_bmp) seeds="$corpus/bmp $public/bmp" ;;
        fuzz_pcx) seeds="$corpus/pcx" ;;
        fuzz_load) seeds="$corpus/png $corpus/jpeg $corpus/tiff $corpus/bmp $corpus/pcx $public/heif $public/avif $public/webp" ;;
        fuzz_metadata) seeds="$corpus/jpeg $corpus/png $corpus/tiff $public/heif $public/avif $public/webp" ;;
        fuzz_coefficients) seeds="$made/fuzz_coefficients-public" ;;
        *) seeds="" ;;
    esac
    if [ -d "$made/$t" ]; then seeds="$made/$t $seeds"; fi
    existing=""
    for s in $seeds; do [ -d "$s" ] && existing="$existing $s"; done
    echo "== $t: $seconds s"
    # A small quarantine, so that the memory limit counts what the decoders hold, not
    # what AddressSanitizer keeps back of what they freed.
    # The CPU time is printed too: on a busy machine it is what the run really cost.
    ASAN_OPTIONS=quarantine_size_mb=32:malloc_context_size=10 /usr/bin/time -f "cpu: %U s user, %S s system, %M KB peak" build-fuzz/$t -rss_limit_mb=512 -timeout=10 -report_slow_units=1000000 -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$found/" "$work" "$found" $existing 2>&1 | grep -E "^(stat::|==|Done|SUMMARY|artifact|cpu:)" || true
done
