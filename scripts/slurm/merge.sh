#!/bin/bash
#SBATCH --job-name=merge
# The parts put together as the whole sweep's file (in any order; refused if they do not fit).
spinlab-batch merge part*.csv --series sweep.csv
