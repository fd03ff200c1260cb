#!/usr/bin/env bash
# The nearest-neighbour loop against the block loop at the same size and temperature, side by
# side in one run (best of ROUNDS, default 3), both edges, in million trials per second.
#
#   bench/model_ratio.sh                  # the lattices at 60 and 1000 (cube 60 and 100)
#   bench/model_ratio.sh square 1000 1.0  # one row: kind, size, temperature
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
batch=${BATCH:-$here/build/spinlab-batch}
rounds=${ROUNDS:-3}
[ -x "$batch" ] || { echo "model_ratio.sh: no $batch (make build first)" >&2; exit 1; }
rows=("square 60 2.2619" "square 1000 2.2619" "cubic 60 2.2619" "cubic 100 2.2619"
      "square 60 1" "square 1000 1" "cubic 60 1" "cubic 100 1")
if [ $# -gt 0 ]; then rows=("$1 $2 ${3:-2.2619}"); fi
rate() {  # kind size temp coupling edges -> million trials per second
    "$batch" "$1" --size "$2" --temp "$3" --coupling "$4" --edges "$5" --trials 30000000 \
        --seed 1 --json | sed -E 's/.*"trials_per_second": ([0-9.e+]+).*/\1/' |
        awk '{ printf "%.1f", $1 / 1e6 }'
}
declare -A best
for ((r = 0; r < rounds; r++)); do
    for row in "${rows[@]}"; do
        for c in block nearest; do
            for e in open periodic; do
                key="$row $c $e"
                v=$(rate $row $c $e)
                best[$key]=$(awk -v a="${best[$key]:-0}" -v b="$v" 'BEGIN { print (b > a ? b : a) }')
            done
        done
    done
done
printf '%-20s %-9s %8s %8s %6s\n' "lattice" edges block nearest ratio
for row in "${rows[@]}"; do
    for e in open periodic; do
        b=${best[$row block $e]}
        n=${best[$row nearest $e]}
        printf '%-20s %-9s %8s %8s %6.2f\n' "$row" "$e" "$b" "$n" "$(awk -v b="$b" -v n="$n" 'BEGIN { print n / b }')"
    done
done
