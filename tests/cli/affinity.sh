#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# A sweep started under taskset -c 0 runs on one thread, not one per core of the machine.
# Usage: affinity.sh SPINLAB_BATCH WORK_DIR
set -eu
batch=$1
rm -rf "$2"
mkdir -p "$2"
cd "$2"
taskset -c 0 "$batch" square --size 8 --trials 100000000 --seed 1 --sweep 1:4:1 --series x.csv &
pid=$!
until ls ./.spinlab.*.tmp >/dev/null 2>&1; do sleep 0.02; done
sleep 0.3
threads=$(ls /proc/$pid/task | wc -l)
kill -s TERM $pid
wait $pid || true
test "$threads" -eq 1
