#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# A seeded sweep run as two shards and merged the README's way gives the whole sweep's file.
# Usage: shard_sweep.sh SPINLAB_BATCH WORK_DIR
set -eu
batch=$1
mkdir -p "$2"
cd "$2"
sweep() {
    "$batch" square --size 6 --trials 20000 --seed 5 --sweep "$1" --threads "$2" --series "$3"
}
sweep 2:4:0.1 2 whole.csv
sweep 2:3:0.1 1 part1.csv
sweep 3.1:4:0.1 1 part2.csv
{
    sed -n '/^#/p;/^#/!{p;q}' part1.csv
    for f in part*.csv; do sed '1,/^[^#]/d' "$f"; done | LC_ALL=C sort -t, -k1,1g
} >merged.csv
test "$(grep -vc '^#' whole.csv)" -eq 22
diff whole.csv merged.csv
