#!/bin/sh
# ctest names the tests it skipped but not why: this prints each with its reason, from
# the last run's log (a googletest skip's message, or a test script's "skipped: ..." line).
# Usage: say-skipped.sh BUILD-FOLDER
set -eu
log="$1/Testing/Temporary/LastTest.log"
[ -f "$log" ] || exit 0
awk '
/^[0-9]+\/[0-9]+ Test: / { name = $3; next }
/: Skipped$/ { getline reason; print "skipped: " name ": " reason; next }
/^skipped: / { print "skipped: " name ": " substr($0, 10) }
' "$log"
