#!/bin/bash
#SBATCH --job-name=merge
# The parts merged: the header once, the rows sorted by temperature.
{ head -n 1 part1.csv; tail -q -n +2 part*.csv | LC_ALL=C sort -t, -k1,1g; } >sweep.csv
