#!/bin/bash
#SBATCH --job-name=merge
# The parts merged: their record lines and the header once, the rows sorted by temperature.
{ sed -n '/^#/p;/^#/!{p;q}' part1.csv; for f in part*.csv; do sed '1,/^[^#]/d' "$f"; done | LC_ALL=C sort -t, -k1,1g; } >sweep.csv
