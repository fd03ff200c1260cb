#!/usr/bin/env bash
# Long-run checks, not a unit test (about 12 minutes with the defaults):
#  1. ten thousand million square-lattice trials in spinlab-batch: the counter is 64-bit, so the
#     label must read 10000000000 exactly;
#  2. a run in the real window (offscreen) for SECONDS while its resident memory is sampled
#     every few seconds: after a warm-up the memory must stay flat.
#
#   bench/soak.sh [SECONDS] [square|cubic|chain] [SIZE]
#
# Environment: BUILD (default build), TRIALS (default 10000000000), SAMPLE_EVERY (seconds,
# default 5), WARMUP (seconds, default 30), MAX_GROWTH_KB (default 4096).
# Exit status 0 when both checks pass, 1 otherwise.
set -u

seconds=${1:-600}
simulation=${2:-square}
size=${3:-60}
build=${BUILD:-build}
trials=${TRIALS:-10000000000}
every=${SAMPLE_EVERY:-5}
warmup=${WARMUP:-30}
max_growth=${MAX_GROWTH_KB:-4096}
status=0

batch="$build/spinlab-batch"
window="$build/bench/spinlab_window_bench"
for exe in "$batch" "$window"; do
    if [ ! -x "$exe" ]; then
        echo "soak: $exe not found; build first (cmake --build --preset default)" >&2
        exit 1
    fi
done

echo "== $trials square-lattice trials: $batch square --trials $trials --seed 1 --json"
out=$("$batch" square --trials "$trials" --seed 1 --json)
echo "$out"
if printf '%s' "$out" | grep -q "\"label\": \"$trials\""; then
    echo "counter: ok, the label reads $trials"
else
    echo "counter: FAILED, the label does not read $trials"
    status=1
fi

echo
echo "== $seconds s in the real window: $window $simulation $seconds $size"
rss_kb() {
    awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null
}
"$window" "$simulation" "$seconds" "$size" > /tmp/spinlab-soak.$$ 2>&1 &
pid=$!
start=$(date +%s)
baseline=""
peak=0
last=0
samples=0
while kill -0 "$pid" 2>/dev/null; do
    sleep "$every"
    kb=$(rss_kb "$pid")
    [ -n "$kb" ] || break
    now=$(( $(date +%s) - start ))
    last=$kb
    samples=$((samples + 1))
    if [ "$now" -ge "$warmup" ]; then
        [ -n "$baseline" ] || baseline=$kb
        [ "$kb" -gt "$peak" ] && peak=$kb
    fi
    printf '%5d s  %8d KiB\n' "$now" "$kb"
done
wait "$pid"
bench_status=$?
cat /tmp/spinlab-soak.$$
rm -f /tmp/spinlab-soak.$$
if [ "$bench_status" -ne 0 ]; then
    echo "window run: FAILED with status $bench_status"
    status=1
fi
if [ -z "$baseline" ]; then
    echo "memory: FAILED, no sample after the ${warmup} s warm-up ($samples samples)"
    status=1
else
    growth=$((last - baseline))
    echo "memory: after ${warmup} s $baseline KiB, peak $peak KiB, last $last KiB," \
         "growth $growth KiB over $samples samples"
    if [ $((peak - baseline)) -gt "$max_growth" ]; then
        echo "memory: FAILED, grew more than $max_growth KiB after the warm-up"
        status=1
    else
        echo "memory: ok, flat within $max_growth KiB"
    fi
fi
exit $status
