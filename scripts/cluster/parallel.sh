#!/bin/sh
# The same job on machines without a scheduler, through GNU parallel over ssh: N
# shares of the list, one a job slot; --joblog and --resume let a rerun skip shares
# that finished, and the converter's own --resume finishes the one cut off. LIST and
# OUTPUT must be on a folder every machine sees at the same path.
#
#   scripts/cluster/parallel.sh NODES LIST OUTPUT N [OPTION]...
#   scripts/cluster/merge-manifests.sh OUTPUT/records OUTPUT/manifest.jsonl
#
# NODES is parallel's --sshloginfile ("8/node1" runs 8 shares at once on node1; ":"
# is this machine).
set -eu
[ $# -ge 4 ] || { echo "usage: parallel.sh NODES LIST OUTPUT N [OPTION]..." >&2; exit 2; }
nodes=$1 list=$2 out=$3 n=$4
shift 4
mkdir -p "$out/records"
seq 0 $((n - 1)) | parallel --sshloginfile "$nodes" --joblog "$out/records/jobs.log" --resume \
    "${POMI_CONVERT:-pomi-pomira-convert}" -q --files-from "$list" --shard "{}/$n" --resume \
    --manifest "$out/records/shard-{}-of-$n.jsonl" -o "$out" "$@"
