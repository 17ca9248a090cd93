#!/bin/sh
# The shards' JSON Lines records as one: every whole line of every record in FOLDER,
# sorted by the file it names, each line once (a resubmitted task may have written a
# movie's lines again). Equal to the sorted record of one run over the whole list.
#
#   merge-manifests.sh FOLDER MERGED.jsonl
set -eu
[ $# -eq 2 ] || { echo "usage: merge-manifests.sh FOLDER MERGED.jsonl" >&2; exit 2; }
cat "$1"/*.jsonl | grep -E '^\{.*\}$' | LC_ALL=C sort -u > "$2.partial"
mv "$2.partial" "$2"
