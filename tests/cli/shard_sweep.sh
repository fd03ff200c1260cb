#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# A seeded sweep run as shards and merged the README's way gives the whole sweep's file, with
# --sizes and with a sweep that runs downwards too.
# Usage: shard_sweep.sh SPINLAB_BATCH WORK_DIR
set -eu
batch=$1
mkdir -p "$2"
cd "$2"
sweep() {
    "$batch" square --trials 20000 --seed 5 --sweep "$1" --threads "$2" --series "$3" $4
}
sweep 2:4:0.1 2 whole.csv "--size 6"
sweep 2:3:0.1 1 part1.csv "--size 6"
sweep 3.1:4:0.1 1 part2.csv "--size 6"
"$batch" merge part2.csv part1.csv --series merged.csv
test "$(wc -l <whole.csv)" -eq 22
diff whole.csv merged.csv
sweep 11:8:-1 2 whole.csv "--sizes 6,3"
sweep 11:10:-1 1 part1.csv "--sizes 6,3"
sweep 9:8:-1 1 part2.csv "--sizes 6,3"
"$batch" merge part1.csv part2.csv | diff whole.csv -
