#!/bin/bash
# The sweep's parts as a job array, and the merge once every part has succeeded.
parts=$(sbatch --parsable sweep.sh)
merge=$(sbatch --parsable --dependency=afterok:"$parts" merge.sh)
echo "sweep: job array $parts; merge: job $merge"
