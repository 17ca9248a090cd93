#!/bin/sh
# Installs every Debian 12 package that the build, the program and the tests need.
# Safe to run again: packages already present are skipped.
set -eu

PACKAGES="
build-essential cmake pkg-config
qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
libavformat-dev libavcodec-dev libavfilter-dev libavutil-dev libswscale-dev
libturbojpeg0-dev libjpeg62-turbo-dev libjpeg-turbo-progs libpng-dev libtiff-dev zlib1g-dev libdeflate-dev
libfreetype-dev libfontconfig-dev fonts-dejavu-core
libheif-dev libwebp-dev libheif-examples webp liblcms2-dev liblcms2-utils libimage-exiftool-perl
libgtest-dev googletest
fonts-ipafont-gothic
xvfb xauth
slurm-wlm munge
xdg-utils
desktop-file-utils appstream lintian
dpkg-dev file groff-base
imagemagick
python3-pil
ffmpeg
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -n "$missing" ]; then
    if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
