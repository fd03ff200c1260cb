#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The README's Slurm example on a real scheduler: starts a one-node Slurm on this machine
# (munged, slurmctld, slurmd, a slurm.conf of its own), submits scripts/slurm/submit.sh with
# build/spinlab-batch first on the PATH, waits for the job array and the merge, and checks that
# the merged file is the whole sweep byte for byte. Stops every daemon it started; exits 0
# only when all of that passed. Installs slurm-wlm and munge first where they are missing.
# Needs root (the daemons) and a built build/spinlab-batch.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
batch=$repo/build/spinlab-batch
[ -x "$batch" ] || { echo "slurm-check: no $batch: build first (make build)" >&2; exit 1; }
fail() { echo "slurm-check: $*" >&2; exit 1; }
step() { printf '\n== %s\n' "$*"; }

# The README shows the job files as they are here, indented as code.
readme=$(<README.md)
for f in scripts/slurm/*.sh; do
    shown=$(sed 's/^./    &/' "$f")
    [[ $readme == *"$shown"* ]] || fail "README.md does not show $f as it is"
done

missing=()
for p in slurm-wlm munge; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    step "installing ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d /tmp/slurm-check.XXXXXX)
chmod 755 "$work"
pids=()
stop_all() {
    # Jobs still running (a check that failed) go first, so that no job outlives its daemons.
    if [ -n "${SLURM_CONF:-}" ] && squeue -h -o %i 2>/dev/null | grep -q .; then
        scancel --quiet --partition=check || true
        for _ in $(seq 50); do squeue -h -o %i 2>/dev/null | grep -q . || break; sleep 0.1; done
    fi
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop_all EXIT

step "a one-node Slurm in $work"
host=$(hostname -s)
cpus=$(nproc)
mkdir -p "$work"/{munge,munge-socket,state,spool,jobs}
# munged keeps its own key and socket here, beside any munge the machine runs already.
dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 status=none
chown -R munge:munge "$work/munge" "$work/munge-socket"
chmod 700 "$work/munge"
chmod 755 "$work/munge-socket"
chmod 400 "$work/munge/munge.key"
socket=$work/munge-socket/munge.socket
setpriv --reuid=munge --regid=munge --init-groups /usr/sbin/munged --key-file="$work/munge/munge.key" --socket="$socket" \
    --pid-file="$work/munge/munged.pid" --log-file="$work/munge/munged.log" \
    --seed-file="$work/munge/munged.seed" --foreground 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -S "$socket" ] && break; sleep 0.1; done
[ -S "$socket" ] || fail "munged did not start: $(cat "$work/munge/munged.log" 2>/dev/null)"

export SLURM_CONF=$work/slurm.conf
cat >"$SLURM_CONF" <<CONF
ClusterName=spinlab-check
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=16817
SlurmdPort=16818
SlurmUser=root
AuthType=auth/munge
AuthInfo=socket=$socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/affinity
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
SlurmdParameters=config_overrides
NodeName=$host NodeAddr=127.0.0.1 CPUs=$cpus State=UNKNOWN
PartitionName=check Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
/usr/sbin/slurmctld -D -i -f "$SLURM_CONF" 2>/dev/null &
pids+=($!)
/usr/sbin/slurmd -D -f "$SLURM_CONF" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do
    sinfo -h -o '%T' 2>/dev/null | grep -qE '^(idle|mixed)' && break
    sleep 0.2
done
sinfo -h -o '%T' | grep -qE '^(idle|mixed)' ||
    fail "the node did not come up: $(tail -n 5 "$work"/slurm*.log)"
sinfo

step "the README's job files: the sweep's parts as an array, the merge after them"
cp scripts/slurm/*.sh "$work/jobs/"
cd "$work/jobs"
export PATH=$repo/build:$PATH
submitted=$(bash submit.sh)
echo "$submitted"
merge_job=${submitted##* }
# The whole sweep the four parts make up, run here while Slurm runs the parts.
nice spinlab-batch square --size 40 --trials 20000000 --seed 1 --sweep 2:6:0.1 --series whole.csv \
    2>whole.err
for _ in $(seq 900); do
    [ -z "$(squeue -h -o %i)" ] && break
    sleep 0.2
done
[ -z "$(squeue -h -o %i)" ] || fail "jobs still queued: $(squeue)"
scontrol show job "$merge_job" 2>/dev/null | grep -o 'JobState=[A-Z]*' || true
# The tasks' standard error: the rows the sweep warned about, as the whole sweep's.
for out in slurm-*.out; do
    echo "$out: $(wc -l <"$out") lines"
done
cat slurm-*.out | sort | cmp - <(sort whole.err) || fail "the tasks warned otherwise than the whole sweep"
[ -f sweep.csv ] || fail "the merge job wrote no sweep.csv"
cmp whole.csv sweep.csv || fail "the merged file differs from the whole sweep"
echo "sweep.csv: $(($(grep -vc '^#' sweep.csv) - 1)) rows and $(grep -c '^#' sweep.csv) record lines, the whole sweep byte for byte"

cd "$repo"
step "stopping the daemons"
stop_all
trap - EXIT
echo
echo "slurm-check: passed"
