#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs that must fail do so with their exit status and a message saying why, and leave the
# files they named as they were; runs that must succeed write what they promise.
# Usage: failures.sh SPINLAB_BATCH WORK_DIR
set -eu
batch=$1
mkdir -p "$2"
cd "$2"
failed=0

# status|standard output|text the message must hold|file the run writes|arguments
# Standard output: "-" as the test runs, "full" /dev/full, "closed" no descriptor at all.
# "-" for the message or the file: none expected.
while IFS='|' read -r status out message writes args; do
    case $status in '' | '#'*) continue ;; esac
    rm -rf ./* ./.[!.]*
    printf 'old\n' >old.csv
    printf 'old\n' >old.png
    printf 'old\n' >readonly.csv
    printf 'old\n' >private.csv
    chmod 444 readonly.csv
    chmod 600 private.csv
    ln -s made.csv dangling.csv
    ln -s loop.csv loop.csv
    printf 'temp,trials,e\n2,10,1\n2.1,10,1\n' >a.csv
    printf 'temp,trials,e\n2.1,10,1\n' >b.csv
    printf 'temp,trials,e\n2.5,10,1\n' >c.csv
    printf '# sweep-step: 0.1\ntemp,trials,e\n2,10,1\n2.2,10,1\n' >r.csv
    set -f
    # shellcheck disable=SC2086 # the arguments are split at spaces on purpose
    case $out in
        full) "$batch" $args >/dev/full 2>err && got=0 || got=$? ;;
        closed) "$batch" $args >&- 2>err && got=0 || got=$? ;;
        *) "$batch" $args >out 2>err && got=0 || got=$? ;;
    esac
    set +f
    problem=
    [ "$got" -eq "$status" ] || problem="exit status $got, not $status"
    if [ "$message" != - ] && ! grep -qF -- "$message" err; then
        problem="$problem; no \"$message\""
    fi
    if [ "$status" -ne 0 ]; then
        for f in old.csv old.png readonly.csv private.csv; do
            [ "$(cat "$f")" = old ] || problem="$problem; $f changed"
        done
    fi
    if [ "$writes" != - ] && ! [ -s "$writes" ]; then
        problem="$problem; $writes not written"
    fi
    case $writes in
        *.png) [ "$(head -c 4 "$writes" | tail -c 3)" = PNG ] || problem="$problem; $writes no PNG" ;;
    esac
    # A file written keeps its mode; a link written through stays a link.
    [ "$(stat -c %a readonly.csv private.csv | tr '\n' ' ')" = "444 600 " ] ||
        problem="$problem; a mode changed"
    [ -L dangling.csv ] || problem="$problem; dangling.csv no longer a link"
    stray=$(find . -name '.*.tmp')
    [ -z "$stray" ] || problem="$problem; left $stray"
    if [ -n "$problem" ]; then
        echo "FAIL: $args:$problem"
        sed 's/^/    /' err
        failed=1
    fi
done <<'EOF'
# A sweep with too few samples for its error bars refuses to print numbers it never measured.
1|-|a run of 10 trials, sampled every 121 trials after a burn-in of 2, gives 0 samples, and the 20 batch means need at least 20|-|square --size 10 --sweep 2:3:0.5 --trials 10 --series old.csv --seed 1
1|-|gives 0 samples|-|square --size 10 --sweep 2:3:0.5 --trials 1000 --every 2000 --seed 1
1|-|gives 1 sample,|-|square --size 10 --sweep 2:3:0.5 --trials 10000 --burn-in 0.99 --seed 1
1|-|a field's run of 2420 trials, sampled every 100 trials after a burn-in of 484, gives 19 samples|-|square --size 10 --field-sweep 0:1:0.5 --trials 2420 --every 100 --series old.csv --seed 1
0|-|-|new.csv|square --size 10 --field-sweep 0:1:0.5 --trials 2400 --every 100 --series new.csv --seed 1
# A failed run leaves every file it named as it was, whichever of them failed.
2|-|Temp "abc" is not a number|-|square --temp abc --trials 10 --every 5 --series old.csv --png old.png
2|-|Lattice Size "abc" is not a number|-|square --size abc --sweep 1:2:1 --series old.csv --seed 1
2|-|Lattice Size 1001 is above 1000|-|square --size 1001 --field-sweep 0:1:1 --series old.csv --seed 1
1|-|cannot write nowhere/x.png: No such file or directory|-|square --trials 100 --every 5 --series old.csv --png nowhere/x.png
1|-|cannot write nowhere/x.csv: No such file or directory|-|square --trials 100 --every 5 --series nowhere/x.csv --png old.png
# Two outputs on one file.
1|-|--series and --png name the same file, "old.csv"|-|square --trials 100 --every 5 --series old.csv --png old.csv
1|-|--series and --png name the same file, "./old.csv"|-|square --trials 100 --every 5 --series old.csv --png ./old.csv
# A report or series that cannot reach standard output fails the run, with the reason.
1|full|cannot write standard output: No space left on device|-|square --trials 100 --seed 1
1|full|cannot write standard output: No space left on device|-|--help
1|full|cannot write standard output: No space left on device|-|square --size 5 --sweep 1:2:1 --trials 10000 --seed 1
1|closed|cannot write standard output: Bad file descriptor|-|chain --trials 100 --every 10 --series - --seed 1
1|closed|cannot write standard output: Bad file descriptor|new.csv|square --trials 100 --every 10 --series new.csv --seed 1
# A file that cannot be written is named with the system's reason.
1|-|cannot write nowhere/x.csv: No such file or directory|-|square --trials 10 --every 5 --series nowhere/x.csv
1|-|cannot write .: Is a directory|-|square --trials 10 --every 5 --series .
1|-|cannot write /: Is a directory|-|ant --png / --seed 1
# Every simulation writes the picture --help promises.
0|-|-|ant.png|ant --png ant.png --seed 1 --trials 500
0|-|-|chain.png|chain --png chain.png --seed 1 --trials 500
# An option the run has no use for is refused, naming it and the simulation or the sweep.
1|-|--units does not apply to square, only to chain|-|square --units abc --series old.csv --every 5
1|-|--obstacles does not apply to square, only to ant|-|square --obstacles 3
1|-|--temp does not apply to ant, only to square, cubic and chain|-|ant --temp 2 --png old.png
1|-|--field does not apply to chain, only to square and cubic|-|chain --field 0
1|-|--json does not apply to --sweep, which writes CSV|-|square --sweep 1:2:1 --json --series old.csv
1|-|--temp does not apply to --sweep, which sets the temperature|-|square --sweep 1:2:1 --temp abc
1|-|--threads applies only to --sweep|-|square --field-sweep 0:1:1 --threads 2
1|-|--burn-in applies only to --sweep and --field-sweep|-|square --burn-in 0.5
1|-|--trials is given twice, as "100" and "50"|-|square --trials 100 --trials 50 --every 5 --every 10 --series new.csv --seed 1
# A number out of range is told by its range; a long text is echoed in its first 40 characters.
1|-|--trials takes a whole number from 1 to 18446744073709551615, not "99999999999999999999999"|-|square --trials 99999999999999999999999
1|-|--obstacles takes a whole number from 0 to 200, not "201"|-|ant --obstacles 201
1|-|--dynamics is metropolis, glauber, wolff or none, not "glauberglauberglauberglauberglauberglaub..."|-|square --dynamics glauberglauberglauberglauberglauberglauberglauber
2|-|Temp "1234567890123456789012345678901234567890..." is|-|square --temp 12345678901234567890123456789012345678901234567890
# Values that are not what they say are refused: a sweep row must carry the temperature its
# run used, a field must keep the energy finite, a count must not wrap, a series must have rows.
1|-|--sweep reaches T = 0, which Temp runs at T = 1|-|square --size 4 --sweep -1:1:1 --series old.csv --seed 1
1|-|--sweep reaches T = 0.5,|-|square --size 4 --sweep 0.5:2:0.5 --dynamics wolff
1|-|--sweep reaches T = 0,|-|chain --sweep 0:0:1
2|-|Field "1e308" is too large: fields must lie between -32768 and 32767|-|square --field 1e308 --json --trials 10 --every 5 --series old.csv
2|-|Field "-1e308" is too small|-|cubic --size 4 --field -1e308 --trials 10 --png old.png
2|-|Field "40000" is too large|-|square --field-sweep 0:40000:20000 --series old.csv --seed 1
1|-|--field-sweep: 3 fields of 6148914691236517206 trials each are more trials than a run can count|-|square --trials 6148914691236517206 --field-sweep 0:1:1 --series old.csv
1|-|--every 200 is more than --trials 100: the series would hold no row|-|square --trials 100 --every 200 --series old.csv
# A request beyond the machine's memory is refused before it starts, with what it would need.
1|-|samples each would hold about|-|square --size 4 --sweep 2:2:1 --trials 10000000000000 --every 1 --series old.csv
# Options given twice over, or against each other, are refused, naming both.
1|-|--size is given twice, as "10" and "1000"|-|square --size 10 --size 1000
1|-|--size does not apply to --sizes, which sets the sizes|-|square --sizes 4,6 --size 8 --sweep 1:2:1 --series old.csv
1|-|--sizes names the size "4" twice, as "4.0"|-|square --sizes 4,6,4.0 --sweep 1:2:1
1|-|--json takes no value|-|square --json=yes
0|-|-|new.csv|square --trials=100 --every=5 --series=new.csv --seed=1 --size=8
# Files: a long legal name, a read-only file, a mode, a dangling link, standard output by name.
0|-|-|aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.csv|square --trials 10 --every 5 --series aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.csv --seed 1
1|-|cannot write readonly.csv: Permission denied|-|square --trials 10 --every 5 --series readonly.csv --png old.png
0|-|-|private.csv|square --size 8 --trials 10 --every 5 --series private.csv --seed 1
0|-|-|made.csv|square --size 8 --trials 10 --every 5 --series dangling.csv --seed 1
1|-|cannot write loop.csv: Too many levels of symbolic links|-|square --trials 10 --every 5 --series loop.csv
0|-|trials: 10|out|square --size 8 --trials 10 --png /dev/stdout --seed 1
0|-|trials: 10|out|square --size 8 --trials 10 --png - --seed 1
1|-|--series and --png both name standard output, "-" and "/dev/stdout"|-|square --trials 10 --every 5 --series - --png /dev/stdout
# Messages name the folder that is missing, and keep a long path's file name.
1|-|cannot write sub/: No such file or directory|-|square --trials 10 --every 5 --series sub/
1|-|dddd.../x.csv: No such file or directory|-|square --trials 10 --every 5 --series nowhere/dddddddddddddddddddddddddddddddddddddddddddddddddd/dddddddddddddddddddddddddddddddddddddddddddddddddd/dddddddddddddddddddddddddddddddddddddddddddddddddd/dddddddddddddddddddddddddddddddddddddddddddddddddd/dddddddddddddddddddddddddddddddddddddddddddddddddd/x.csv
# Shards merge only when they fit: no overlap, no gap, one sweep.
2|-|merge: the shards overlap: T = 2.1 is in both a.csv and b.csv|-|merge a.csv b.csv --series old.csv
2|-|merge: a shard is missing: no rows between T = 2.1 and T = 2.5 (step 0.1)|-|merge c.csv a.csv --series old.csv
2|-|merge: old.csv is not a --sweep's CSV|-|merge old.csv a.csv --series new.csv
2|-|come from different sweeps: their # lines differ, "# sweep-step: 0.1" against none|-|merge a.csv r.csv --series old.csv
2|-|no rows between T = 2 and T = 2.2 (step 0.1)|-|merge r.csv --series old.csv
EOF
exit $failed
