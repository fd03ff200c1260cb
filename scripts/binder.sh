#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Locates the transition of the nearest-neighbour square lattice with periodic edges: a sweep of
# three sizes with the cluster update, then the Binder cumulant U4 against T for each size, whose
# curves cross near Tc. Writes binder.csv and binder.png in the current folder.
#
#   scripts/binder.sh                    # sizes 15,31,63 (16, 32, 64 sites a side)
#   SIZES=7,15 TRIALS=20000 scripts/binder.sh
#
# Needs gnuplot (Debian: apt-get install gnuplot-nox) for the picture; BATCH names spinlab-batch
# (default build/spinlab-batch beside this script, else the one on PATH).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
batch=${BATCH:-$here/build/spinlab-batch}
[ -x "$batch" ] || batch=spinlab-batch
sizes=${SIZES:-15,31,63}
trials=${TRIALS:-40000}
sweep=${SWEEP:-2.15:2.4:0.025}

"$batch" square --coupling nearest --edges periodic --dynamics wolff --sizes "$sizes" \
    --sweep "$sweep" --trials "$trials" --seed 1 >binder.csv
echo "binder.csv: $(($(grep -vc '^#' binder.csv) - 1)) rows"
command -v gnuplot >/dev/null || { echo "no gnuplot: apt-get install gnuplot-nox" >&2; exit 1; }

# One curve per size, each with its error bars; the exact Tc = 2 / ln(1 + sqrt 2) marked.
plots=""
for s in ${sizes//,/ }; do
    plots+="'binder.csv' using (\$1 == $s ? \$2 : 1/0):12:13 with yerrorlines lw 2 "
    plots+="title 'N = $s ($((s + 1)) a side)', "
done
gnuplot <<GNUPLOT
set terminal pngcairo size 640,440
set output 'binder.png'
set datafile separator ','
set key bottom left
set xlabel 'T'
set ylabel 'Binder cumulant U4'
set grid
tc = 2 / log(1 + sqrt(2))
set arrow from tc, graph 0 to tc, graph 1 nohead dashtype 2
set label 'exact Tc' at tc, graph 0.95 offset 0.5, 0
plot ${plots%, }
GNUPLOT
echo "binder.png written"
