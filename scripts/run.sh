#!/bin/sh
# The main job: builds what it needs (the converter, the window, the sample movie),
# then cuts every 10th frame of the bundled sample movie into JPEG pictures in ./out/.
# The build is quiet unless it fails; ./scripts/test.sh builds the rest.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
log=$(mktemp)
trap 'rm -f "$log"' EXIT
echo "Building the converter, the window and the sample movie (a few minutes the first time) ..."
if ! { cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
       cmake --build build -j2 --target pomi-pomira-convert pomi-pomira-avi sample_movie; } >"$log" 2>&1; then
    cat "$log"
    echo "The build failed (see above)." >&2
    exit 1
fi
mkdir -p out
build/pomi-pomira-convert --format jpeg --quality 8 --colors full --brightness 0 --rotate 0 --resize none \
    --step 10 -o out build/sample.avi
echo
echo "The pictures are in $(pwd)/out:"
ls out
echo
echo "On a desktop, the window opens with the sample in it: build/pomi-pomira-avi build/sample.avi"
echo "(it runs until it is closed; without a display, a screenshot of it:"
echo " xvfb-run -a sh -c 'build/pomi-pomira-avi build/sample.avi & sleep 3; import -window root shot.png; kill \$!')"
