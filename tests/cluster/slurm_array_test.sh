#!/bin/bash
# The Slurm recipe on a real one-node Slurm cluster (Debian's slurm-wlm and munge,
# configured and started here in a scratch folder, stopped at the end): a 4-task
# array over 20 short movies of different containers writes, file for file and in its
# merged record, what one local run writes; a task killed midway and the array
# resubmitted finish without rewriting what was complete.
#
#   slurm_array_test.sh CONVERTER SOURCE_DIR      (exit 77: Slurm cannot start here)
set -eu
convert=$1 source=$2
skip() { echo "SKIP: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "Slurm's daemons are started as root"
for tool in slurmctld slurmd sbatch squeue scancel munged ffmpeg; do
    command -v "$tool" > /dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
done

S=$(mktemp -d /tmp/pomi-slurm.XXXXXX)
stop() {
    [ -f "$S/slurm.conf" ] && SLURM_CONF=$S/slurm.conf scancel --user=root 2> /dev/null || true
    for pid in "$S/slurmd.pid" "$S/slurmctld.pid" "$S/munge/munged.pid"; do
        [ -f "$pid" ] && kill "$(cat "$pid")" 2> /dev/null || true
    done
    sleep 1
    rm -rf "$S"
}
trap stop EXIT

# munge with a key of its own on a socket of its own.
mkdir -p "$S/munge" "$S/state" "$S/spool" "$S/log"
chmod 700 "$S/munge"
dd if=/dev/urandom of="$S/munge/munge.key" bs=1024 count=1 2> /dev/null
chmod 600 "$S/munge/munge.key"
munged --force -S "$S/munge/munge.socket" --key-file="$S/munge/munge.key" --pid-file="$S/munge/munged.pid" \
    --log-file="$S/log/munged.log" --seed-file="$S/munge/seed" || skip "munged does not start"
port=$((20000 + $$ % 20000))
cat > "$S/slurm.conf" << CONF
ClusterName=pomi-test
SlurmctldHost=localhost
AuthType=auth/munge
AuthInfo=socket=$S/munge/munge.socket
CredType=cred/munge
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$port
SlurmdPort=$((port + 1))
StateSaveLocation=$S/state
SlurmdSpoolDir=$S/spool
SlurmctldPidFile=$S/slurmctld.pid
SlurmdPidFile=$S/slurmd.pid
SlurmctldLogFile=$S/log/slurmctld.log
SlurmdLogFile=$S/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MpiDefault=none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
NodeName=localhost CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=localhost Default=YES MaxTime=INFINITE State=UP OverSubscribe=FORCE:4
CONF
export SLURM_CONF=$S/slurm.conf
slurmctld -c -f "$SLURM_CONF" || skip "slurmctld does not start"
slurmd -f "$SLURM_CONF" || skip "slurmd does not start"
for _ in $(seq 60); do
    sinfo -h -o %T 2> /dev/null | grep -q idle && break
    sleep 1
done
sinfo -h -o %T | grep -q idle || skip "the node does not come up: $(tail -3 "$S/log/slurmd.log")"

# 20 movies, 4 s each, in ten containers, each its own colours.
mkdir -p "$S/movies"
i=0
for ext in mp4 mkv avi mov webm ts flv mpg ogv wmv mp4 mkv avi mov webm ts flv mpg ogv wmv; do
    ffmpeg -nostdin -v error -f lavfi -i "testsrc=size=320x240:rate=25:duration=4" -vf "hue=h=$((i * 18))" \
        "$S/movies/m$i.$ext"
    echo "movies/m$i.$ext" >> "$S/list.txt"
    i=$((i + 1))
done
options=(--format png --step 2)
recipe=$source/scripts/cluster/slurm-array.sbatch
merge=$source/scripts/cluster/merge-manifests.sh
export POMI_CONVERT=$convert

# What one local run writes.
"$convert" -q "${options[@]}" --files-from "$S/list.txt" --manifest "$S/single/records/all.jsonl" -o "$S/single"
same_pictures() {
    diff -r -x records "$S/single" "$1" > /dev/null || { echo "FAIL: $1 differs from one run"; diff -rq -x records "$S/single" "$1" | head; exit 1; }
}
same_as_single() { # the pictures byte for byte, and the merged record
    same_pictures "$1"
    "$merge" "$1/records" "$S/merged.jsonl"
    sed "s#\"$1/#\"OUT/#" "$S/merged.jsonl" > "$S/a.jsonl"
    sed "s#\"$S/single/#\"OUT/#" "$S/single/records/all.jsonl" | LC_ALL=C sort -u > "$S/b.jsonl"
    cmp -s "$S/a.jsonl" "$S/b.jsonl" || { echo "FAIL: the merged record of $1 is not one run's"; diff "$S/a.jsonl" "$S/b.jsonl" | head; exit 1; }
}

# The array, as the README submits it.
sbatch --wait --array=0-3 -o "$S/log/array-%a.txt" "$recipe" "$S/list.txt" "$S/array" "${options[@]}" > /dev/null
same_as_single "$S/array"
echo "4-task array: $(find "$S/array" -name '*.png' | wc -l) pictures, the same bytes and the same record as one run"

# The task with the most movies killed once its first movie is done, and the array
# resubmitted.
task=$(grep -c '"movie done"' "$S"/array/records/shard-*-of-4.jsonl | sort -t: -k2 -n | tail -1 | sed 's/.*shard-\([0-9]\)-of-4.*/\1/')
movies=$(grep -c '"movie done"' "$S/array/records/shard-$task-of-4.jsonl")
job=$(sbatch --parsable --array=0-3 -o "$S/log/killed-%a.txt" "$recipe" "$S/list.txt" "$S/killed" "${options[@]}" -j 1)
record=$S/killed/records/shard-$task-of-4.jsonl
for _ in $(seq 600); do
    grep -q '"movie done"' "$record" 2> /dev/null && break
    sleep 0.1
done
scancel --signal=KILL "${job}_$task"
# The other tasks end as they would (no two runs of one share at once).
for _ in $(seq 600); do
    squeue -h -j "$job" 2> /dev/null | grep -q . || break
    sleep 0.2
done
lines=$(grep -c '"movie done"' "$record" || true)
[ "$lines" -ge 1 ] || { echo "FAIL: task $task was killed before it finished a movie"; exit 1; }
[ "$lines" -lt "$movies" ] || echo "note: task $task had finished its $movies movies when it was killed"
# Whatever the killed task left, with its inode and time: none may be written again.
( cd "$S/killed" && find . -name '*.png' -printf '%p %i %T@\n' | sort ) > "$S/before.txt"
sbatch --wait --array=0-3 -o "$S/log/resubmitted-%a.txt" "$recipe" "$S/list.txt" "$S/killed" "${options[@]}" > /dev/null
( cd "$S/killed" && find . -name '*.png' -printf '%p %i %T@\n' | sort ) > "$S/after.txt"
rewritten=$(comm -23 "$S/before.txt" "$S/after.txt" | wc -l)
[ "$rewritten" -eq 0 ] || { echo "FAIL: $rewritten complete files were written again"; comm -23 "$S/before.txt" "$S/after.txt" | head; exit 1; }
same_pictures "$S/killed"
# Its records end every movie of the list, once each.
done_movies=$(cat "$S"/killed/records/*.jsonl | grep '"movie done"' | LC_ALL=C sort -u | wc -l)
[ "$done_movies" -eq 20 ] || { echo "FAIL: the resumed records end $done_movies movies of 20"; exit 1; }
echo "task $task killed after $lines of its $movies movies, the array resubmitted: $(wc -l < "$S/before.txt") files kept as they were, the rest written; the same pictures as one run"
