#!/bin/sh
# The Debian package as Debian's own checker sees it: no error and no warning
# (information tags may stay), and one version in the converter, the package and the
# AppStream release. The package is made from the build with cpack.
# Usage: lintian_test.sh BUILD-FOLDER; exits 77 (skipped, with the reason) without lintian.
set -eu
build=$(cd "$1" && pwd)
source=$(cd "$(dirname "$0")/../.." && pwd)
if ! command -v lintian >/dev/null; then
    echo "skipped: lintian is not installed (apt-get install lintian)"
    exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log" >&2; exit 1; }
deb=$(ls "$out"/*.deb)

version=$("$build/pomi-pomira-convert" --version | sed -n 's/^pomi-pomira-convert \([^ ]*\) .*/\1/p')
case "$deb" in
*"_${version}_"*) ;;
*) echo "the package $deb is not the converter's version $version" >&2; exit 1 ;;
esac
grep -q "<release version=\"$version\"" "$source/resources/desktop/example.qelto.PomiPomiraAVI.metainfo.xml.in" ||
    { echo "the AppStream file has no release $version" >&2; exit 1; }

status=0
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$out/lintian.log" 2>&1 || status=$?
grep -v "running with root privileges" "$out/lintian.log" || true
[ "$status" = 0 ] || { echo "lintian found errors or warnings in the package" >&2; exit 1; }
echo "lintian: no error and no warning in $(basename "$deb")"
