#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How fast the two dynamics decorrelate at the critical point: the integrated autocorrelation
# time of |m|, in sweeps, of the Metropolis loop and of the cluster update, on the
# nearest-neighbour square lattice with periodic edges at Tc = 2.269 (Sokal's window, c = 6),
# and the cluster update's rate at lattice 100 and 1000.
#
#   bench/decorrelation.sh            # lattice 64 (--size 63), 200,000 sweeps of Metropolis
#   SIZE=31 SWEEPS=50000 bench/decorrelation.sh
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
batch=${BATCH:-$here/build/spinlab-batch}
size=${SIZE:-63}
sweeps=${SWEEPS:-200000}
moves=${MOVES:-200000}
sites=$(((size + 1) * (size + 1)))
model=(square --size "$size" --coupling nearest --edges periodic --temp 2.269 --seed 1)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# tau of |m| from a series (column 3), one row per `per` sweeps; the first tenth is left out.
tau() {
    python3 - "$1" "$2" <<'PY'
import sys
lines = [line for line in open(sys.argv[1]) if not line.startswith("#")]
rows = [abs(float(line.split(",")[2])) for line in lines[1:]]
rows = rows[len(rows) // 10:]
per = float(sys.argv[2])
n = len(rows)
mean = sum(rows) / n
x = [r - mean for r in rows]
var = sum(v * v for v in x) / n
tau, t = 0.5, 1
while t < n // 2:
    rho = sum(x[i] * x[i + t] for i in range(n - t)) / (n - t) / var
    tau += rho
    if t >= 6 * tau:
        break
    t += 1
print(f"{tau * per:.2f} sweeps (window {t} samples, {n} samples)")
PY
}

"$batch" "${model[@]}" --trials $((sweeps * sites)) --every "$sites" --series "$tmp/metropolis.csv" \
    --json >"$tmp/metropolis.json"
echo "Metropolis, lattice $((size + 1)): tau(|m|) = $(tau "$tmp/metropolis.csv" 1)"

"$batch" "${model[@]}" --dynamics wolff --trials "$moves" --every 1 --series "$tmp/wolff.csv" \
    --json >"$tmp/wolff.json"
flipped=$(sed -E 's/.*"sites_flipped": ([0-9]+).*/\1/' "$tmp/wolff.json")
per=$(awk -v f="$flipped" -v m="$moves" -v s="$sites" 'BEGIN { print f / m / s }')
echo "Wolff, lattice $((size + 1)): tau(|m|) = $(tau "$tmp/wolff.csv" "$per")" \
    "($(awk -v p="$per" 'BEGIN { printf "%.3f", p }') sweeps per move)"

for n in 99 999; do
    "$batch" square --size $n --coupling nearest --edges periodic --temp 2.269 --seed 1 \
        --dynamics wolff --trials $((n < 500 ? 20000 : 10000)) --json >"$tmp/rate.json"
    # The first moves of a random lattice make tiny clusters: time the second half only (at
    # lattice 1000 the lattice is still coarsening then, so its moves are smaller than at
    # equilibrium; sites flipped per second is the figure to read).
    "$batch" square --size $n --coupling nearest --edges periodic --temp 2.269 --seed 1 \
        --dynamics wolff --trials $((n < 500 ? 40000 : 20000)) --json >"$tmp/rate2.json"
    python3 - "$tmp/rate.json" "$tmp/rate2.json" $((n + 1)) <<'PY'
import json, sys
a, b = (json.load(open(p)) for p in sys.argv[1:3])
moves = b["trials"] - a["trials"]
seconds = b["seconds"] - a["seconds"]
flipped = b["sites_flipped"] - a["sites_flipped"]
print(f"Wolff at Tc, lattice {sys.argv[3]}: {moves / seconds:,.0f} cluster moves per second, "
      f"{flipped / seconds / 1e6:.1f} M sites flipped per second, "
      f"{flipped / moves:,.0f} sites per move")
PY
done
