#!/bin/sh
# The main job: builds everything, then cuts every 10th frame of the bundled sample
# movie into JPEG pictures in ./out/ and lists them.
set -eu
cd "$(dirname "$0")/.."
./scripts/build.sh
mkdir -p out
build/pomi-pomira-convert --format jpeg --quality 8 --colors full --brightness 0 --rotate 0 --resize none \
    --step 10 -o out build/sample.avi
ls -l out
echo
echo "On a desktop, the window opens with the sample in it: build/pomi-pomira-avi build/sample.avi"
echo "(without a display: xvfb-run -a build/pomi-pomira-avi build/sample.avi)"
