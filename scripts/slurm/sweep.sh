#!/bin/bash
#SBATCH --job-name=sweep --array=1-4 --cpus-per-task=2
# One part of the sweep per task, on as many threads as the task has CPUs; a task stopped at
# its time limit and requeued goes on from the rows it finished (--resume).
parts=(2:2.9:0.1 3:3.9:0.1 4:4.9:0.1 5:6:0.1)
spinlab-batch square --size 40 --trials 20000000 --seed 1 --resume \
    --sweep "${parts[SLURM_ARRAY_TASK_ID - 1]}" --series "part$SLURM_ARRAY_TASK_ID.csv"
