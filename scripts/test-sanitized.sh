#!/bin/sh
# Builds the test suite with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs it: every decoder and window test under the sanitizers.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="-O1 -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DPOMI_WERROR="${POMI_WERROR:-OFF}" >/dev/null
cmake --build build-asan -j2 --target pomi_tests
# Qt and fontconfig keep caches until exit on purpose; leaks are not looked for here.
status=0
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen \
    ctest --test-dir build-asan --output-on-failure --timeout 900 || status=$?
./scripts/say-skipped.sh build-asan
exit $status
