#!/bin/bash
# The sweep's parts as a job array, and the merge once every part has succeeded.
parts=$(sbatch --parsable sweep.sh)
sbatch --parsable --dependency=afterok:"$parts" merge.sh
