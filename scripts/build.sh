#!/bin/sh
# Installs what the build needs (first run only) and builds everything into build/.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOMI_WERROR="${POMI_WERROR:-OFF}" >/dev/null
cmake --build build -j2
