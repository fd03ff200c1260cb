#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# A sweep stopped part way and resumed gives the file of a sweep never stopped, byte for byte;
# a partial file of another command is refused and left as it was.
# Usage: resume.sh SPINLAB_BATCH WORK_DIR
set -eu
batch=$1
rm -rf "$2"
mkdir -p "$2"
cd "$2"
sweep() {
    "$batch" square --size 8 --trials 200000 --seed 3 --sweep 1:4:0.25 --threads 2 "$@"
}
sweep --series whole.csv
"$batch" square --size 8 --trials 200000 --seed 3 --sweep 1:4:0.25 --threads 2 --series cut.csv &
pid=$!
# The header and two rows past the record lines.
until [ "$(cat ./.spinlab.*.tmp 2>/dev/null | grep -vc '^#')" -ge 3 ]; do sleep 0.02; done
kill -s TERM $pid
status=0
wait $pid || status=$?
test $status -eq 143
rows=$(grep -vc '^#' cut.csv.partial)
test "$rows" -ge 3 && test "$rows" -lt 14
test ! -e cut.csv
# Another --trials: the rows kept are not this command's.
cp cut.csv.partial kept
status=0
"$batch" square --size 8 --trials 100000 --seed 3 --sweep 1:4:0.25 --series cut.csv --resume \
    2>err || status=$?
test $status -eq 1
grep -qF 'cut.csv.partial was not written by this sweep: its line' err
grep -qF '"# trials: 200000", not "# trials: 100000"' err
cmp kept cut.csv.partial
sweep --series cut.csv --resume
cmp whole.csv cut.csv
test ! -e cut.csv.partial
