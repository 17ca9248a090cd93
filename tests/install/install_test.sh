#!/bin/sh
# Installs the build into a scratch DESTDIR and uses it as a desktop user would: the
# converter on the bundled sample, the window started off-screen (it must find its
# guide in share/ and keep its settings in the user's configuration folder), the
# menu entry, metadata, icons and manual page checked with the desktop's own tools.
# Usage: install_test.sh BUILD-FOLDER
set -eu
build=$(cd "$1" && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

DESTDIR="$root/stage" cmake --install "$build" --prefix /usr >/dev/null
usr=$root/stage/usr
for f in bin/pomi-pomira-avi bin/pomi-pomira-convert share/pomi-pomira-avi/Readme.txt \
    share/applications/example.qelto.PomiPomiraAVI.desktop share/metainfo/example.qelto.PomiPomiraAVI.metainfo.xml \
    share/icons/hicolor/48x48/apps/pomi-pomira-avi.png share/icons/hicolor/128x128/apps/pomi-pomira-avi.png \
    share/icons/hicolor/256x256/apps/pomi-pomira-avi.png share/icons/hicolor/512x512/apps/pomi-pomira-avi.png \
    share/man/man1/pomi-pomira-convert.1.gz share/man/man1/pomi-pomira-avi.1.gz \
    share/doc/pomi-pomira-avi/copyright share/doc/pomi-pomira-avi/changelog.gz; do
    [ -e "$usr/$f" ] || fail "$f was not installed"
done

# The installed converter on the sample: frames 0, 25, 50 and 75.
mkdir -p "$root/home" "$root/config"
export HOME="$root/home" XDG_CONFIG_HOME="$root/config"
"$usr/bin/pomi-pomira-convert" -q --format png --step 25 -o "$root/out" "$build/sample.avi" || fail "the converter failed"
[ "$(ls "$root/out" | wc -l)" = 4 ] || fail "the converter wrote $(ls "$root/out" | wc -l) files, not 4"

# The installed window, off-screen: where it finds things, then an ordinary close.
said=$(cd "$root" && QT_QPA_PLATFORM=offscreen POMI_PRINT_PATHS_AND_QUIT=1 timeout 60 "$usr/bin/pomi-pomira-avi") ||
    fail "the window did not start and close"
guide=$(echo "$said" | sed -n 's/^guide: //p')
settings=$(echo "$said" | sed -n 's/^settings: //p')
[ "$(realpath "$guide")" = "$usr/share/pomi-pomira-avi/Readme.txt" ] || fail "guide looked for at $guide"
[ "$settings" = "$root/config/pomi-pomira-avi/Pomi_Pomira.ini" ] || fail "settings kept at $settings"
[ -s "$settings" ] || fail "the settings were not written at $settings"
[ ! -e "$usr/bin/Pomi_Pomira.ini" ] || fail "settings written into the install folder"

# Every option of --help is in the manual page; both pages read without a complaint.
page=$(zcat "$usr/share/man/man1/pomi-pomira-convert.1.gz")
for option in $("$usr/bin/pomi-pomira-convert" --help | grep -o -- '--[a-z]*' | sort -u); do
    echo "$page" | grep -q -- "$(echo "$option" | sed 's/-/\\\\-/g')" || fail "the manual page lacks $option"
done
if command -v groff >/dev/null; then
    for page in pomi-pomira-avi pomi-pomira-convert; do
        warnings=$(zcat "$usr/share/man/man1/$page.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
        [ -z "$warnings" ] || fail "groff on $page.1: $warnings"
    done
fi

# The desktop's own checks, where its tools are installed.
if command -v desktop-file-validate >/dev/null; then
    said=$(desktop-file-validate "$usr/share/applications/example.qelto.PomiPomiraAVI.desktop" 2>&1) &&
        [ -z "$said" ] || fail "desktop-file-validate: $said"
else
    echo "desktop-file-validate is missing: not checked"
fi
if command -v appstreamcli >/dev/null; then
    said=$(appstreamcli validate --no-net "$usr/share/metainfo/example.qelto.PomiPomiraAVI.metainfo.xml" 2>&1) &&
        ! echo "$said" | grep -q '^[WE]:' || fail "appstreamcli validate: $said"
else
    echo "appstreamcli is missing: not checked"
fi
echo "installed and used: fine"
