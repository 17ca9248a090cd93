#!/bin/sh
# Builds the program and starts it; any arguments (AVI files) are passed on.
set -eu
cd "$(dirname "$0")/.."
./scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display here. The program is built: build/pomi-pomira-avi"
    echo "Start it on a desktop, or in a virtual display with:"
    echo "  xvfb-run -a build/pomi-pomira-avi [MOVIE.avi]"
    exit 0
fi
exec build/pomi-pomira-avi "$@"
