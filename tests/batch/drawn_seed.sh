#!/bin/sh
# A run without --seed reports the seed it drew, and --seed with that seed repeats it exactly:
# a single run (its JSON, timing left out) and a sweep (its CSV, the seed on standard error).
set -eu
batch=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
untimed() { sed -e 's/"seconds": [^,]*, //' -e 's/"trials_per_second": [^,]*, //' "$1"; }

"$batch" chain --units 300 --trials 200000 --json >"$dir/first.json"
seed=$(sed -n 's/.*"seed": \([0-9][0-9]*\),.*/\1/p' "$dir/first.json")
single=$seed
test -n "$seed" || { echo "no seed in: $(cat "$dir/first.json")"; exit 1; }
"$batch" chain --units 300 --trials 200000 --json --seed "$seed" >"$dir/again.json"
untimed "$dir/first.json" >"$dir/a"
untimed "$dir/again.json" >"$dir/b"
cmp "$dir/a" "$dir/b"

"$batch" square --size 12 --sweep 1.5:3.5:1 --trials 30000 --threads 2 >"$dir/first.csv" 2>"$dir/err"
seed=$(sed -n 's/^spinlab-batch: seed \([0-9][0-9]*\) .*/\1/p' "$dir/err")
test -n "$seed" || { echo "no seed on standard error: $(cat "$dir/err")"; exit 1; }
"$batch" square --size 12 --sweep 1.5:3.5:1 --trials 30000 --threads 2 --seed "$seed" \
    >"$dir/again.csv"
cmp "$dir/first.csv" "$dir/again.csv"
# Two runs without --seed draw different seeds.
"$batch" chain --units 300 --trials 200000 --json >"$dir/other.json"
! grep -q "\"seed\": $single," "$dir/other.json"
