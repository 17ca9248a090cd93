#!/bin/sh
# Builds the project and runs every test; the windows are tested off-screen.
set -eu
cd "$(dirname "$0")/.."
./scripts/build.sh
status=0
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure --timeout 300 || status=$?
./scripts/say-skipped.sh build
exit $status
